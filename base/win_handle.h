// Move-only owners for Win32 handles: each closes its handle exactly once.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
 public:
  using Native = typename Traits::Native;

  UniqueHandle() = default;
  explicit UniqueHandle(Native h) : handle_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  [[nodiscard]] Native get() const { return handle_; }
  [[nodiscard]] bool valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }

  [[nodiscard]] Native release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Native h = Traits::Invalid()) {
    if (valid()) Traits::Close(handle_);
    handle_ = h;
  }

 private:
  Native handle_ = Traits::Invalid();
};

struct FileHandleTraits {
  using Native = HANDLE;
  static Native Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Native h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

struct KernelHandleTraits {
  using Native = HANDLE;
  static Native Invalid() { return nullptr; }
  static void Close(Native h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct FindHandleTraits {
  using Native = HANDLE;
  static Native Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Native h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// A COM interface pointer owned by one reference.
template <typename Interface>
struct ComTraits {
  using Native = Interface*;
  static Native Invalid() { return nullptr; }
  static void Close(Native p) { p->Release(); }
};
template <typename Interface>
using ComPtr = UniqueHandle<ComTraits<Interface>>;
