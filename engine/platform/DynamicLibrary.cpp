#include "DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace scrivtar::platform {

DynamicLibrary::DynamicLibrary(const std::filesystem::path& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* error = dlerror();
    loadError_ = error ? error : "dlopen failed";
  }
}

DynamicLibrary::~DynamicLibrary() {
  Close();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), loadError_(std::move(other.loadError_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    loadError_ = std::move(other.loadError_);
  }
  return *this;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::Close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace scrivtar::platform
