// The bytes of a loaded file: memory that is filled by the read without being cleared first.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// Small buffers come from the heap and are kept for the next file; a big one is a mapping of its
// own that asks the system for huge pages, so that reading a file of a gigabyte does not fault
// in a quarter of a million pages one by one.
class TTextBuffer {
 public:
  TTextBuffer() = default;
  explicit TTextBuffer(std::string_view Text);
  TTextBuffer(TTextBuffer&& Other) noexcept;
  TTextBuffer& operator=(TTextBuffer&& Other) noexcept;
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;
  ~TTextBuffer();

  const char* Data() const { return FData; }
  char* Data() { return FData; }
  size_t Size() const { return FSize; }
  size_t Capacity() const { return FCapacity; }
  bool Empty() const { return FSize == 0; }
  std::string_view View() const { return {FData, FSize}; }

  // Room for at least N bytes; the bytes up to Size stay, the rest is not cleared. Throws
  // std::bad_alloc when the memory cannot be had.
  void Reserve(size_t N);
  // N up to Capacity: the bytes past the old size are whatever the caller wrote there.
  void SetSize(size_t N) { FSize = N; }
  // Empty, keeping the memory for the next file.
  void Clear() { FSize = 0; }
  // Empty, and the memory goes.
  void Release();

  // From this size on, a buffer is a mapping of its own.
  static constexpr size_t MappedFrom = size_t(4) << 20;

 private:
  void Adopt(TTextBuffer& Other);

  std::unique_ptr<char[]> FHeap;
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FCapacity = 0;
  bool FMapped = false;
};
