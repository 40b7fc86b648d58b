// The zip archive reader the Office Open XML extractor uses: open an archive by path, load its
// central directory into an entry list (cached while the file's modification time stays the
// same), and inflate the data of a named entry into an in-memory stream, checking its CRC-32.
//
// Typical use (one reader per engine, reused for every package):
//
//   TVCLUnZip zip;
//   zip.SetZipName(path);          // a new path drops the cached directory
//   zip.ReadDirectory();           // throws EZipError subclasses, see below
//   if (zip.EntryCount() == 0) ... // not a zip archive (or an empty one)
//   std::string part;
//   if (zip.ExtractToStream(part, "word\\document.xml") > 0) ... // part holds the bytes
//
// Names are compared in their stored form: "/" in the archive becomes "\", letter case of A to Z
// is ignored, so "word\document.xml" finds word/document.xml and WORD/Document.XML.
//
// Limits that protect against hostile archives: 16-bit entry counts and 32-bit sizes and
// offsets (no zip64); every read is checked against the file size; an inflated entry never grows
// beyond its declared uncompressed size nor beyond 1032 times its compressed size (the most
// deflate can expand), so a bomb costs no more memory than its compressed bytes justify.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "zip/kpZipObj.h"

struct libdeflate_decompressor;

namespace scrivtar {

// Base of every exception the reader raises; what() is the message of the failure table.
class EZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The archive file cannot be opened for reading (missing, no permission, a directory).
class EFOpenError : public EZipError {
 public:
  using EZipError::EZipError;
};
// No end record ("Incomplete Zip File"); ReadDirectory catches it in the default mode.
class EIncompleteZip : public EZipError {
 public:
  EIncompleteZip() : EZipError("Incomplete Zip File") {}
};
// No end record in mode izAssumeNotAZip ("Not a valid zip file!").
class ENotAZipFile : public EZipError {
 public:
  ENotAZipFile() : EZipError("Not a valid zip file!") {}
};
// The directory is unreadable and the recovery scan found no local header.
class EBadZipFile : public EZipError {
 public:
  EBadZipFile() : EZipError("Not a valid zip file!") {}
};
// The compressed data of an entry ends before its declared size (truncated archive).
class EFatalUnzipError : public EZipError {
 public:
  EFatalUnzipError() : EZipError("Premature end of file reached") {}
};
// An entry inflates to more than its declared uncompressed size; caught inside ExtractToStream
// (the entry does not count), never seen by callers.
class EBiggerThanUncompressed : public EZipError {
 public:
  EBiggerThanUncompressed() : EZipError("File is larger than uncompressed size!") {}
};
// The target stream cannot take the bytes (it cannot grow any further).
class ECantWriteUCF : public EZipError {
 public:
  ECantWriteUCF() : EZipError("Cant write uncompressed file") {}
};
// The progress callback asked to cancel.
class EUserCanceled : public EZipError {
 public:
  EUserCanceled() : EZipError("User Aborted Operation") {}
};

// What ReadDirectory does when a file has no end record.
enum class TIncompleteZipMode {
  izAssumeMulti,    // EIncompleteZip, caught: no entries, no exception (the default)
  izAssumeNotAZip,  // ENotAZipFile
  izAssumeBad,      // rebuild the directory from local headers; EBadZipFile when none
};

class TLFNFileStream;

class TVCLUnZip {
 public:
  // oemCodePage: the code page of names written by MS-DOS hosts; ansiCodePage: the code page the
  // stored names are converted to (65001 keeps UTF-8). Defaults fit a UTF-8 en-US locale.
  explicit TVCLUnZip(int32_t oemCodePage = 437, int32_t ansiCodePage = 65001);
  ~TVCLUnZip();
  TVCLUnZip(const TVCLUnZip&) = delete;
  TVCLUnZip& operator=(const TVCLUnZip&) = delete;

  // The archive path. Setting a different path (compared after lexical normalisation) drops the
  // loaded directory; setting the same path again keeps it.
  const std::filesystem::path& ZipName() const { return zipName_; }
  void SetZipName(const std::filesystem::path& name);

  // Loads the central directory unless the one loaded is still valid (same path, same file
  // modification time and size). A file without an end record (including 1 to 21-byte files and
  // every file that is no zip archive) gives EntryCount() == 0 and no exception in the default
  // mode. Throws EFOpenError when the file cannot be opened and EBadZipFile when the directory
  // is unreadable and the recovery scan finds nothing; both clear the state, ZipName included.
  void ReadDirectory();

  // Number of entries in the loaded directory; 0 when none is loaded.
  int EntryCount() const;
  // The entry at index (0 <= index < EntryCount()), in archive order.
  const TZipHeaderInfo& Entry(int index) const;
  const TEndCentral& EndCentral() const { return endCentral_; }

  // Appends the data of every entry whose stored path equals name (letter case of A to Z
  // ignored; leading and trailing blanks of name removed) to the end of stream, and returns how
  // many of them passed their CRC check. Returns 0 without touching the archive when name is
  // blank or stream is null. Reloads the directory first when the archive changed.
  //  - an entry with a bad CRC is not counted; its bytes stay in stream;
  //  - an entry that inflates beyond its declared size, an encrypted entry, an entry with a
  //    method other than stored (0) or deflated (8) and undecodable deflate data are not
  //    counted and leave stream as it was;
  //  - throws EFatalUnzipError when the data runs past the end of the file, ECantWriteUCF when
  //    stream cannot grow, and ReadDirectory's exceptions when a reload fails. The loaded
  //    directory stays after EFatalUnzipError.
  int ExtractToStream(std::string* stream, std::string_view name);
  int ExtractToStream(std::string& stream, std::string_view name) {
    return ExtractToStream(&stream, name);
  }

  TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
  // Called while compressed input is read (every 256 KiB) and every 10,240 bytes of the
  // recovery scan; returning true cancels with EUserCanceled. Empty by default.
  std::function<bool()> OnProgress;

 private:
  void ClearDirectory();
  void ClearAll();
  bool DirectoryIsCurrent() const;
  void LoadDirectory(TLFNFileStream& file);
  bool ReadCentralDirectory(TLFNFileStream& dirFile, uint64_t offset, uint16_t count);
  bool RecoveryScan(TLFNFileStream& file);
  void FindDataDescriptor(TLFNFileStream& file, uint64_t dataStart, TZipHeaderInfo* entry);
  std::string NormalizeName(std::string_view raw, bool fromOemHost, bool utf8Flag) const;
  bool ExtractEntry(TLFNFileStream& file, TZipHeaderInfo& entry, std::string& stream);
  void CheckCancel() const;

  int32_t oemCodePage_;
  int32_t ansiCodePage_;
  std::filesystem::path zipName_;
  TSortedZip entries_;
  TEndCentral endCentral_;
  bool directoryLoaded_ = false;
  std::filesystem::file_time_type directoryTime_{};
  uint64_t directoryFileSize_ = 0;
  ::libdeflate_decompressor* decompressor_ = nullptr;  // made on first use, kept for reuse
};

}  // namespace scrivtar
