// What a peer serving on a thread of its own has collected, read from the test's thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace kv {

template <class T>
class Collected {
 public:
  void add(T item) {
    std::lock_guard<std::mutex> lock(m_);
    items_.push_back(std::move(item));
  }
  // The items once `n` have come (waiting at most two seconds), else those there are.
  std::vector<T> atleast(std::size_t n) {
    for (int i = 0; i < 400; ++i) {
      {
        std::lock_guard<std::mutex> lock(m_);
        if (items_.size() >= n) return items_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::lock_guard<std::mutex> lock(m_);
    return items_;
  }

 private:
  std::mutex m_;
  std::vector<T> items_;
};

}  // namespace kv
