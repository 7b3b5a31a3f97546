// Recycled memory for box trees: Box nodes, their 7-float and 6-byte arrays
// and containers' children lists. A document tree lives for one serialising call; with a pool the
// next call builds its tree in the memory the last one released, instead of
// a heap allocation per box and per array.
//
// A pool serves only the thread that made it active with a BoxPoolScope (the
// service object does so while it holds its lock). Boxes made anywhere else
// use the heap as before. Every block records where it came from, so it goes
// back to the right place whichever thread or scope releases it.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace ravuna_motion_format {

class Box;

// Fixed-size blocks on a free list, carved from chunks that double in size.
class BlockPool {
 public:
  explicit BlockPool(std::size_t blockSize) noexcept;
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  void* Allocate();
  void Free(void* block) noexcept;
  // Ends one period of use (one call). When no block is in use and more
  // than max(`blocks`, 4 x the most used during the period) exist, returns
  // every chunk to the heap: a steady stream of large documents keeps its
  // memory, a single huge one does not pin it.
  void TrimIfIdleAbove(std::size_t blocks) noexcept;

  std::size_t blocksInUse() const noexcept { return inUse_; }
  std::size_t blocksOwned() const noexcept { return owned_; }

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  void Grow();

  std::size_t blockSize_;
  FreeBlock* free_ = nullptr;
  std::vector<std::unique_ptr<std::byte[]>> chunks_;
  std::size_t owned_ = 0;
  std::size_t inUse_ = 0;
  std::size_t peakInUse_ = 0;  // during the current period
};

class BoxPool {
 public:
  BoxPool() noexcept;

  BlockPool& nodes() noexcept { return nodes_; }
  BlockPool& floatArrays() noexcept { return floatArrays_; }
  BlockPool& byteArrays() noexcept { return byteArrays_; }

  // An empty children list with room for `count` boxes: a released one when
  // there is one, else a new one.
  std::vector<Box*> TakeChildList(std::size_t count);
  // Keeps the list's memory for TakeChildList, or frees it when there is no
  // room left; the list is empty afterwards.
  void GiveBackChildList(std::vector<Box*>& list) noexcept;
  std::size_t spareChildLists() const noexcept { return spareLists_.size(); }
  // Ends one call: frees what the pool holds beyond a few times what this
  // call needed (and beyond a floor that small documents never exceed).
  void Trim() noexcept;

 private:
  BlockPool nodes_;
  BlockPool floatArrays_;
  BlockPool byteArrays_;
  // Room is reserved while lists are taken, so giving one back never
  // allocates: capacity >= spare lists + lists out.
  std::vector<std::vector<Box*>> spareLists_;
  std::size_t listsOut_ = 0;
  std::size_t peakListsOut_ = 0;  // since the last Trim
};

// Makes `pool` the one this thread's new boxes use, until the scope ends.
class BoxPoolScope {
 public:
  explicit BoxPoolScope(BoxPool& pool) noexcept;
  ~BoxPoolScope();
  BoxPoolScope(const BoxPoolScope&) = delete;
  BoxPoolScope& operator=(const BoxPoolScope&) = delete;

 private:
  BoxPool& pool_;
  BoxPool* previous_;
};

// The pool active on this thread, or null.
BoxPool* ActiveBoxPool() noexcept;

// Memory for one Box node of `size` bytes, from the active pool or the heap,
// and its release.
void* AllocateBoxNode(std::size_t size);
void FreeBoxNode(void* node) noexcept;

// A 7-float or 6-byte array from `pool`, or from new[] when `pool` is null;
// free it with the same pool.
float* NewFloatArray(BoxPool* pool);
void FreeFloatArray(BoxPool* pool, float* values) noexcept;
unsigned char* NewByteArray(BoxPool* pool);
void FreeByteArray(BoxPool* pool, unsigned char* values) noexcept;

}  // namespace ravuna_motion_format
