// A bounded single-producer, single-consumer queue: one thread pushes, one other thread pops,
// without locks. The audio device's thread and the main thread exchange commands and
// completions through two of them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <utility>

namespace kv {

template <class T, std::size_t N>
class SpscQueue {
  static_assert((N & (N - 1)) == 0, "the capacity is a power of two");

 public:
  // False when the queue is full (the item is not taken).
  bool push(T item) {
    std::size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= N) return false;
    slots_[head & (N - 1)] = std::move(item);
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  std::optional<T> pop() {
    std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return std::nullopt;
    T item = std::move(slots_[tail & (N - 1)]);
    tail_.store(tail + 1, std::memory_order_release);
    return item;
  }
  bool empty() const { return tail_.load(std::memory_order_acquire) == head_.load(std::memory_order_acquire); }

 private:
  std::array<T, N> slots_{};
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

}  // namespace kv
