#include "UnCmd.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <exception>
#include <filesystem>
#include <limits>

#include "scrivtar/CodePages.h"
#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace scrivtar {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// StrToIntDef-style conversion of the whole text into a 32-bit integer: optional sign,
// decimal digits, or "$"/"0x" hexadecimal.
bool ParseInt32(std::string_view text, int32_t& value) {
  if (text.empty()) return false;
  bool negative = false;
  size_t i = 0;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  int64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), magnitude, base);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  int64_t v = negative ? -magnitude : magnitude;
  if (base == 16 && !negative && v > std::numeric_limits<int32_t>::max() &&
      v <= std::numeric_limits<uint32_t>::max()) {
    v = static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  value = static_cast<int32_t>(v);
  return true;
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  auto status = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// The type from the extension: from the last dot of the file name, upper-cased, without the dot;
// the Office Open XML variants (.docm, .xltx, .ppsx, ...) give their base type.
std::string TypeOfExtension(const std::string& source) {
  std::string fileName = std::filesystem::path(source).filename().string();
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = Upper(std::string_view(fileName).substr(dot));
  return ext.size() > 1 ? std::string(TypeNameOfExtension(std::string_view(ext).substr(1))) : ext;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  out.append(text);
  out += '"';
  return out;
}

}  // namespace

void ParseFlag(std::string_view argument, RunSettings& settings) {
  settings.invalid = true;
  if (argument.size() == 2) {
    if (Upper(argument) == "-O") {
      settings.overwrite = true;
      settings.invalid = false;
    }
    return;
  }
  if (argument.size() < 2) return;
  std::string head = Upper(argument.substr(0, 2));
  if (head == "-T") {
    if (argument.size() == 5 || argument.size() == 6) {
      std::string letters = Upper(argument.substr(2));
      std::string_view list =
          argument.size() == 5 ? "DOC HLP HTM PDF PPT RTF XLS" : "DOCX PPTX XLSX";
      if (list.find(letters) != std::string_view::npos) {
        settings.forcedType = letters;
        settings.invalid = false;
      } else {
        settings.invalid = true;
      }
    } else {
      settings.invalid = true;
    }
  }
  if (head == "-C") {
    int32_t value = 0;
    if (ParseInt32(argument.substr(2), value)) {
      settings.codePage = value;
      settings.invalid = false;
    } else {
      settings.invalid = true;
    }
  }
  if (head == "-S") {
    int32_t value = 0;
    if (ParseInt32(argument.substr(2, 1), value)) {
      settings.specialFormat = value;
      settings.invalid = false;
    } else {
      settings.invalid = true;
    }
  }
}

std::string UsageText(std::string_view programFileName) {
  std::string t;
  auto line = [&](std::string_view text) {
    t.append(text);
    t += "\r\n";
  };
  line("Scrivtar Command Version 3.2");
  line("");
  t += "Usage: ";
  t.append(programFileName);
  t += " [-o] [-c99999]";
  t += " [-t(pdf|doc|ppt|xls|docx|pptx|xlsx|rtf|htm|hlp)] [-s9]";
  line(" <Source File> <Destination Text File>");
  line("Flag \"-o\": If output file exists then overwrite it.");
  line(
      "Flag \"-c\": Specify the code page identifier for output text file. (Default is system's "
      "code page)");
  line(
      "Flag \"-t\": Force Scrivtar use a particular type of extractor, without this flag, "
      "Scrivtar is using the file extension to determine which text extractor to use.");
  line("Flag \"-s\": Specify output text file special format.");
  line("    PDF: s0: Reading order; s1: Original layout(default); s2: Raw order");
  line("    DOC: s0: Not keep raw characters(default); s1: Keep raw characters");
  line(
      "If <Destination Text File> is \"*\", the text output NOT to a file but instead to standard "
      "output.");
  line("");
  line("Read Scrivtar help to get more details about command usage.");
  return t;
}

void CommandLineConverter::PrintMessage(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fwrite("\r\n", 1, 2, out_);
}

int32_t CommandLineConverter::RunCommandLine(std::string_view programPath,
                                             const std::vector<std::string>& args) {
  settings_ = RunSettings{};
  textBlock_ = OutputBlock{};
  const size_t n = args.size();
  settings_.invalid = n != 2;
  if (n > 2) {
    for (size_t i = 0; i + 2 < n; ++i) {
      ParseFlag(args[i], settings_);
      if (settings_.invalid) break;
    }
  }
  int32_t exitCode;
  if (settings_.invalid) {
    std::string usage = UsageText(std::filesystem::path(programPath).filename().string());
    std::fwrite(usage.data(), 1, usage.size(), out_);
    exitCode = 2;
  } else {
    exitCode = ConvertOneFile(args[n - 2], args[n - 1], settings_.overwrite, settings_.forcedType);
  }
  textBlock_ = OutputBlock{};
  return exitCode;
}

int32_t CommandLineConverter::ConvertOneFile(const std::string& source,
                                             const std::string& destination, bool overwrite,
                                             const std::string& forcedType) {
  // Refused before any file is read or written: the text would be lost.
  if (settings_.codePage != 0 && !IsOutputCodePageSupported(settings_.codePage)) {
    PrintMessage("Output code page " + std::to_string(settings_.codePage) + " not supported");
    return kOutputCodePageRefused;
  }
  if (!FileExists(source)) {
    PrintMessage("Input file " + Quoted(source) + " not exists");
    return kSourceMissing;
  }
  const bool toStdout = destination == "*";
  if (!toStdout && FileExists(destination) && !overwrite) {
    PrintMessage("Output file " + Quoted(destination) + " already exists, convert canceled");
    return 1;
  }
  std::string type = forcedType.empty() ? TypeOfExtension(source) : Upper(forcedType);
  int32_t codePage = settings_.codePage == 0 ? DefaultCodePage() : settings_.codePage;

  ConversionOptions options;
  options.lineBreakStyle = kCrLf;
  options.specialFormat = settings_.specialFormat;
  options.xlsUnused = 0;
  options.pdfNoPageBreaks = 1;

  int32_t result;
  try {
    result = ConvertByType(engine_, type, source, textBlock_, codePage, options);
  } catch (const std::exception& e) {
    PrintMessage("Input file " + Quoted(source) + " conversion failed: " + e.what());
    return kFormatError;
  } catch (...) {
    PrintMessage("Input file " + Quoted(source) + " conversion failed");
    return kFormatError;
  }

  if (result == kTypeNotSupported) {
    PrintMessage("Input file " + Quoted(source) + " type not support");
    return kTypeNotSupported;
  }
  if (result < 0) {
    switch (result) {
      case kLibraryMissing:
        PrintMessage("Convert dll file load error");
        return kLibraryMissing;
      case kOpenError:
        PrintMessage("Input file " + Quoted(source) + " open error");
        return kOpenError;
      case kNotAllowed:
        PrintMessage("Input file " + Quoted(source) + " is encrypted");
        return kNotAllowed;
      case kOutputCodePageRefused:
        PrintMessage("Output code page " + std::to_string(codePage) + " not supported");
        return kOutputCodePageRefused;
      default:
        PrintMessage("Input file " + Quoted(source) + " format not correct");
        return kFormatError;
    }
  }

  if (toStdout) {
    if (result > 0 && std::fwrite(textBlock_.data(), 1, static_cast<size_t>(result), out_) !=
                          static_cast<size_t>(result)) {
      return kTargetWriteError;
    }
    return 0;
  }

  std::FILE* target = std::fopen(destination.c_str(), "wb");
  if (!target) {
    PrintMessage("Output file " + Quoted(destination) + " create error");
    return kTargetCreateError;
  }
  bool ok = result == 0 || std::fwrite(textBlock_.data(), 1, static_cast<size_t>(result), target) ==
                               static_cast<size_t>(result);
  ok = (std::fclose(target) == 0) && ok;
  if (!ok) {
    PrintMessage("Output file " + Quoted(destination) + " write error");
    return kTargetWriteError;
  }
  PrintMessage(Quoted(source) + " --> " + Quoted(destination) + " OK");
  return 0;
}

}  // namespace scrivtar
