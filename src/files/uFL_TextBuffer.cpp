// Heap and mapped memory of a loaded file.
#include "files/uFL_TextBuffer.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <utility>

TTextBuffer::TTextBuffer(std::string_view Text) {
  Reserve(Text.size());
  if (!Text.empty()) std::memcpy(FData, Text.data(), Text.size());
  FSize = Text.size();
}

TTextBuffer::TTextBuffer(TTextBuffer&& Other) noexcept {
  Adopt(Other);
}

TTextBuffer& TTextBuffer::operator=(TTextBuffer&& Other) noexcept {
  if (this != &Other) {
    Release();
    Adopt(Other);
  }
  return *this;
}

TTextBuffer::~TTextBuffer() {
  Release();
}

void TTextBuffer::Adopt(TTextBuffer& Other) {
  FHeap = std::move(Other.FHeap);
  FData = std::exchange(Other.FData, nullptr);
  FSize = std::exchange(Other.FSize, 0);
  FCapacity = std::exchange(Other.FCapacity, 0);
  FMapped = std::exchange(Other.FMapped, false);
}

void TTextBuffer::Release() {
  if (FMapped) munmap(FData, FCapacity);
  FHeap.reset();
  FData = nullptr;
  FSize = FCapacity = 0;
  FMapped = false;
}

void TTextBuffer::Reserve(size_t N) {
  if (N <= FCapacity && FData) return;
  TTextBuffer Bigger;
  if (N >= MappedFrom) {
    // Whole huge pages, so that the last one is not split into small ones.
    constexpr size_t Huge = size_t(2) << 20;
    const size_t Length = (N + Huge - 1) / Huge * Huge;
    void* P = mmap(nullptr, Length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (P == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(P, Length, MADV_HUGEPAGE);  // only advice: small pages do as well, more slowly
#endif
    Bigger.FData = static_cast<char*>(P);
    Bigger.FCapacity = Length;
    Bigger.FMapped = true;
  } else {
    // At least one more byte than asked, so an empty file still has memory of its own.
    Bigger.FHeap = std::make_unique_for_overwrite<char[]>(N + 1);
    Bigger.FData = Bigger.FHeap.get();
    Bigger.FCapacity = N + 1;
  }
  if (FSize) std::memcpy(Bigger.FData, FData, FSize);
  Bigger.FSize = FSize;
  *this = std::move(Bigger);
}
