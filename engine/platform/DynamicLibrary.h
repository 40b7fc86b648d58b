// A loaded shared library (dlopen with RTLD_NOW | RTLD_LOCAL), closed when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace scrivtar::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  explicit DynamicLibrary(const std::filesystem::path& path);
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  bool IsLoaded() const { return handle_ != nullptr; }
  // The address of an export, or nullptr.
  void* Symbol(const char* name) const;
  template <typename Fn>
  Fn Function(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }
  // dlerror() text of the failed load, for diagnostics.
  const std::string& LoadError() const { return loadError_; }
  void Close();

 private:
  void* handle_ = nullptr;
  std::string loadError_;
};

}  // namespace scrivtar::platform
