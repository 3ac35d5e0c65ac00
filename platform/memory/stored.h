// Stored fixed records: the byte-exact layouts kept in project files, on the clipboard and
// in streams.
//
// A stored record declares its fields once, in order, each with its type and its offset in
// the stored layout:
//
//   #define KV_FIELDTAIL_FIELDS(F)
//     F(i16, just, 0) F(i16, lineheight, 2) F(u16, font, 4) F(u16, size, 6)
//     F(u16, face, 8) F(u32, color, 10)
//   KV_STORED_RECORD(fieldtail, 14, KV_FIELDTAIL_FIELDS)
//
// (the #define continues each line with a backslash; see store/fieldtail.h)
//
// That one list gives the packed struct (2-byte packing, no padding), compile-time checks of
// its size, of every field's offset, that the fields tile the record without gaps, and that
// the record compares byte for byte; the byte-order swapper (endianswap) and the field walk
// used by layout tests (storedfields) come from the same list.
//
// Field types: the fixed-width integers, kv::hfield (a handle field), kv::bytes<N> (raw
// bytes, never swapped), kv::arr<T, N> (N values of an integer or record type), Rect, Point,
// RGBColor and other stored records (a type with a comma, such as arr<u16, 4>, goes in the list
// through an alias). Floating-point values are kept as their u32/u64 bits. No member's address
// is taken (the build refuses it); read and write fields by value.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/types.h"

namespace kv {

#pragma pack(push, 2)
template <std::size_t N>
struct bytes {
  u8 b[N];
};
template <class T, std::size_t N>
struct arr {
  T v[N];
};
// A handle field of a stored record. In memory it holds a handle id (0 = none); in a packed
// record it holds 1 when the part's block follows and 0 when the part is absent. Reads and
// writes go through the conversions, so `Handle h = rec.name;` and `rec.name = h;` work.
struct hfield {
  u32 v;
  constexpr operator Handle() const { return v; }
  constexpr hfield& operator=(Handle h) {
    v = h;
    return *this;
  }
};
#pragma pack(pop)

// Specialised by KV_STORED_RECORD for each stored record.
template <class R>
struct StoredLayout {
  static constexpr bool isrecord = false;
};

// Byte-reverses one field in place: integers by their width, arrays element by element,
// nested records field by field; raw bytes are left alone.
template <class T>
void endianswapfield(u8* at);

template <class T>
struct SwapTraits {
  static void swap(u8* at) {
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
      // Through a copy, so that unaligned bytes are fine and the compiler emits one swap.
      if constexpr (sizeof(T) == 2) {
        u16 v;
        std::memcpy(&v, at, 2);
        v = __builtin_bswap16(v);
        std::memcpy(at, &v, 2);
      } else if constexpr (sizeof(T) == 4) {
        u32 v;
        std::memcpy(&v, at, 4);
        v = __builtin_bswap32(v);
        std::memcpy(at, &v, 4);
      } else if constexpr (sizeof(T) == 8) {
        u64 v;
        std::memcpy(&v, at, 8);
        v = __builtin_bswap64(v);
        std::memcpy(at, &v, 8);
      }
    } else if constexpr (StoredLayout<T>::isrecord) {
      StoredLayout<T>::visit([at]<class F>(std::size_t off, const char*) { endianswapfield<F>(at + off); });
    } else {
      static_assert(sizeof(T) == 0, "this type cannot be a stored field");
    }
  }
};
template <std::size_t N>
struct SwapTraits<bytes<N>> {
  static void swap(u8*) {}
};
template <class T, std::size_t N>
struct SwapTraits<arr<T, N>> {
  static void swap(u8* at) {
    for (std::size_t i = 0; i < N; ++i) endianswapfield<T>(at + i * sizeof(T));
  }
};
template <>
struct SwapTraits<hfield> {
  static void swap(u8* at) { SwapTraits<u32>::swap(at); }
};
template <>
struct SwapTraits<Rect> {
  static void swap(u8* at) {
    for (int i = 0; i < 4; ++i) endianswapfield<i16>(at + 2 * i);
  }
};
template <>
struct SwapTraits<Point> {
  static void swap(u8* at) {
    endianswapfield<i16>(at);
    endianswapfield<i16>(at + 2);
  }
};
template <>
struct SwapTraits<RGBColor> {
  static void swap(u8* at) {
    for (int i = 0; i < 3; ++i) endianswapfield<u16>(at + 2 * i);
  }
};

template <class T>
void endianswapfield(u8* at) {
  SwapTraits<T>::swap(at);
}

// Converts a stored record between host order and file order (its own inverse).
template <class R>
void endianswap(R& r) {
  static_assert(StoredLayout<R>::isrecord);
  endianswapfield<R>(reinterpret_cast<u8*>(&r));
}
// The same on bytes laid out as R (they need not be aligned).
template <class R>
void endianswapbytes(u8* at) {
  static_assert(StoredLayout<R>::isrecord);
  endianswapfield<R>(at);
}

// Calls fn(name, offset, size) for every field, in order.
template <class R, class Fn>
void storedfields(Fn&& fn) {
  StoredLayout<R>::visit([&]<class F>(std::size_t off, const char* name) { fn(name, off, sizeof(F)); });
}

// Calls fn(offset) for every handle field (hfield) of R, nested records included, in order.
template <class R, class Fn>
void storedhandlefields(Fn&& fn, std::size_t base = 0) {
  StoredLayout<R>::visit([&]<class F>(std::size_t off, const char*) {
    if constexpr (std::is_same_v<F, hfield>) {
      fn(base + off);
    } else if constexpr (StoredLayout<F>::isrecord) {
      storedhandlefields<F>(fn, base + off);
    }
  });
}

// The number of handle fields of R.
template <class R>
std::size_t storedhandlecount() {
  std::size_t n = 0;
  storedhandlefields<R>([&n](std::size_t) { ++n; });
  return n;
}

namespace storeddetail {
template <class R, std::size_t N>
constexpr bool tiles(const std::size_t (&offs)[N], const std::size_t (&sizes)[N]) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (offs[i] != at) return false;
    at += sizes[i];
  }
  return at == sizeof(R);
}
}  // namespace storeddetail

}  // namespace kv

#define KV_STORED_DECL_(type, name, off) type name;
#define KV_STORED_VISIT_(type, name, off) v.template operator()<type>(std::size_t(off), #name);
#define KV_STORED_CHECK_(type, name, off) static_assert(offsetof(Self, name) == (off), "stored offset of " #name);
#define KV_STORED_OFF_(type, name, off) std::size_t(off),
#define KV_STORED_SIZE_(type, name, off) sizeof(type),

// Declares the stored record `name` of `size` bytes from the field list macro `FIELDS`.
// Use it inside namespace kv.
#define KV_STORED_RECORD(name, size, FIELDS)                                               \
  _Pragma("pack(push, 2)") struct name { FIELDS(KV_STORED_DECL_) };                        \
  _Pragma("pack(pop)") static_assert(sizeof(name) == (size), "stored size of " #name);     \
  static_assert(std::has_unique_object_representations_v<name>, #name " has padding");     \
  static_assert(std::is_trivially_copyable_v<name>);                                       \
  template <>                                                                              \
  struct StoredLayout<name> {                                                              \
    static constexpr bool isrecord = true;                                                 \
    using Self = name;                                                                     \
    FIELDS(KV_STORED_CHECK_)                                                               \
    static constexpr std::size_t offs[] = {FIELDS(KV_STORED_OFF_)};                        \
    static constexpr std::size_t sizes[] = {FIELDS(KV_STORED_SIZE_)};                      \
    static_assert(kv::storeddetail::tiles<name>(offs, sizes), #name " fields leave gaps"); \
    template <class V>                                                                     \
    static void visit(V&& v) {                                                             \
      FIELDS(KV_STORED_VISIT_)                                                             \
    }                                                                                      \
  };
