#include "box/box_pool.h"

#include <algorithm>
#include <new>
#include <utility>

#include "box/box.h"
#include "box/box_kinds.h"

namespace ravuna_motion_format {
namespace {

constexpr std::size_t kFirstChunkBlocks = 64;
// An idle pool always keeps up to this many blocks of each size (documents
// of a few hundred bones), and beyond it up to this many times what the
// last call used.
constexpr std::size_t kRetainedBlocks = 1024;
constexpr std::size_t kRetainedPerUsed = 4;

// Every node block starts with the pool it came from (null: the heap); the
// Box follows, aligned as any allocation is.
constexpr std::size_t kNodePrefix = alignof(std::max_align_t);

thread_local BoxPool* activePool = nullptr;

BoxPool*& OwnerOf(void* block) noexcept { return *static_cast<BoxPool**>(block); }

}  // namespace

BlockPool::BlockPool(std::size_t blockSize) noexcept
    : blockSize_(std::max(blockSize, sizeof(FreeBlock))) {
  blockSize_ = (blockSize_ + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
               alignof(std::max_align_t);
}

void BlockPool::Grow() {
  const std::size_t blocks = std::max(kFirstChunkBlocks, owned_);
  chunks_.reserve(chunks_.size() + 1);
  std::unique_ptr<std::byte[]> chunk(new std::byte[blocks * blockSize_]);
  for (std::size_t i = blocks; i-- > 0;) {
    auto* block = reinterpret_cast<FreeBlock*>(chunk.get() + i * blockSize_);
    block->next = free_;
    free_ = block;
  }
  chunks_.push_back(std::move(chunk));
  owned_ += blocks;
}

void* BlockPool::Allocate() {
  if (free_ == nullptr) {
    Grow();
  }
  FreeBlock* block = free_;
  free_ = block->next;
  peakInUse_ = std::max(peakInUse_, ++inUse_);
  return block;
}

void BlockPool::Free(void* block) noexcept {
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = free_;
  free_ = freed;
  --inUse_;
}

void BlockPool::TrimIfIdleAbove(std::size_t blocks) noexcept {
  if (inUse_ == 0 && owned_ > std::max(blocks, kRetainedPerUsed * peakInUse_)) {
    free_ = nullptr;
    chunks_.clear();
    chunks_.shrink_to_fit();
    owned_ = 0;
  }
  peakInUse_ = inUse_;
}

BoxPool::BoxPool() noexcept
    : nodes_(kNodePrefix + sizeof(Box)),
      floatArrays_(kTransformFloatCount * sizeof(float)),
      byteArrays_(kTimecodeByteCount) {}

std::vector<Box*> BoxPool::TakeChildList(std::size_t count) {
  const std::size_t needed = spareLists_.size() + listsOut_ + 1;
  if (spareLists_.capacity() < needed) {
    spareLists_.reserve(std::max(needed, 2 * spareLists_.capacity()));
  }
  std::vector<Box*> list;
  if (!spareLists_.empty()) {
    list = std::move(spareLists_.back());
    spareLists_.pop_back();
  }
  list.reserve(count);
  peakListsOut_ = std::max(peakListsOut_, ++listsOut_);
  return list;
}

void BoxPool::GiveBackChildList(std::vector<Box*>& list) noexcept {
  listsOut_ -= listsOut_ > 0 ? 1 : 0;
  if (list.capacity() > 0 && spareLists_.size() < spareLists_.capacity()) {
    list.clear();
    spareLists_.push_back(std::move(list));  // within capacity: cannot throw
  }
  list = std::vector<Box*>();
}

void BoxPool::Trim() noexcept {
  nodes_.TrimIfIdleAbove(kRetainedBlocks);
  floatArrays_.TrimIfIdleAbove(kRetainedBlocks);
  byteArrays_.TrimIfIdleAbove(kRetainedBlocks);
  if (nodes_.blocksInUse() == 0 &&
      spareLists_.size() > std::max(kRetainedBlocks, kRetainedPerUsed * peakListsOut_)) {
    std::vector<std::vector<Box*>>().swap(spareLists_);
    listsOut_ = 0;
  }
  peakListsOut_ = listsOut_;
}

BoxPoolScope::BoxPoolScope(BoxPool& pool) noexcept : pool_(pool), previous_(activePool) {
  activePool = &pool;
}

BoxPoolScope::~BoxPoolScope() {
  activePool = previous_;
  pool_.Trim();
}

BoxPool* ActiveBoxPool() noexcept { return activePool; }

void* AllocateBoxNode(std::size_t size) {
  BoxPool* pool = activePool;
  void* block = pool != nullptr && size == sizeof(Box) ? pool->nodes().Allocate()
                                                       : ::operator new(kNodePrefix + size);
  OwnerOf(block) = size == sizeof(Box) ? pool : nullptr;
  return static_cast<std::byte*>(block) + kNodePrefix;
}

void FreeBoxNode(void* node) noexcept {
  if (node == nullptr) {
    return;
  }
  void* block = static_cast<std::byte*>(node) - kNodePrefix;
  if (BoxPool* pool = OwnerOf(block); pool != nullptr) {
    pool->nodes().Free(block);
  } else {
    ::operator delete(block);
  }
}

float* NewFloatArray(BoxPool* pool) {
  return pool != nullptr ? static_cast<float*>(pool->floatArrays().Allocate())
                         : new float[kTransformFloatCount];
}

void FreeFloatArray(BoxPool* pool, float* values) noexcept {
  if (values == nullptr) {
    return;
  }
  if (pool != nullptr) {
    pool->floatArrays().Free(values);
  } else {
    delete[] values;
  }
}

unsigned char* NewByteArray(BoxPool* pool) {
  return pool != nullptr ? static_cast<unsigned char*>(pool->byteArrays().Allocate())
                         : new unsigned char[kTimecodeByteCount];
}

void FreeByteArray(BoxPool* pool, unsigned char* values) noexcept {
  if (values == nullptr) {
    return;
  }
  if (pool != nullptr) {
    pool->byteArrays().Free(values);
  } else {
    delete[] values;
  }
}

}  // namespace ravuna_motion_format
