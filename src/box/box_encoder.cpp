#include "box/box_encoder.h"

#include <cstddef>
#include <span>
#include <string>

#include "box/little_endian.h"

namespace ravuna_motion_format {
namespace {

void EncodeBoxes(std::span<Box* const> boxes, ByteVector& out);

void AppendBytes(const void* data, std::size_t count, ByteVector& out) {
  const auto* begin = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), begin, begin + count);
}

template <class T>
void AppendLittleEndian(T value, ByteVector& out) {
  std::uint8_t bytes[sizeof(T)];
  StoreLittleEndian(bytes, value);
  AppendBytes(bytes, sizeof bytes, out);
}

void AppendFloats(const float* values, std::int32_t count, ByteVector& out) {
  for (std::int32_t i = 0; i < count; ++i) {
    AppendLittleEndian(values[i], out);
  }
}

void AppendRaw(const void* data, std::int32_t count, ByteVector& out) {
  if (count > 0) {
    AppendBytes(data, static_cast<std::size_t>(count), out);
  }
}

// Writes the payload of a value of type T, if `value` holds exactly a T.
template <class T>
bool EncodeValueAs(const Box* box, ByteVector& out) {
  const T* held = std::any_cast<T>(&box->value);
  if (held == nullptr) {
    return false;
  }
  if constexpr (std::is_same_v<T, Box*> || std::is_same_v<T, Box**>) {
    // The pointer held only marks a container; the children list is encoded.
    EncodeBoxes(box->children, out);
  } else if constexpr (std::is_same_v<T, std::byte>) {
    out.push_back(static_cast<std::uint8_t>(*held));
  } else if constexpr (std::is_same_v<T, std::byte*>) {
    AppendRaw(*held, box->size, out);
  } else if constexpr (std::is_same_v<T, float>) {
    AppendLittleEndian(*held, out);
  } else if constexpr (std::is_same_v<T, float*>) {
    AppendFloats(*held, box->count, out);
  } else if constexpr (std::is_same_v<T, double>) {
    AppendLittleEndian(*held, out);
  } else if constexpr (std::is_same_v<T, int>) {
    AppendLittleEndian(static_cast<std::uint32_t>(*held), out);
  } else if constexpr (std::is_same_v<T, std::uint64_t>) {
    AppendLittleEndian(*held, out);
  } else if constexpr (std::is_same_v<T, unsigned short> || std::is_same_v<T, short>) {
    AppendLittleEndian(static_cast<std::uint16_t>(*held), out);
  } else if constexpr (std::is_same_v<T, unsigned char*>) {
    AppendRaw(*held, box->count, out);
  } else {
    static_assert(std::is_same_v<T, std::string>);
    AppendBytes(held->data(), held->size(), out);
  }
  return true;
}

// Tries first the type that the box's kind carries, which is what every
// box of this library holds, so the common case costs one type test.
bool EncodeExpectedValue(const Box* box, ByteVector& out) {
  switch (GetBoxValueType(box->type).valueType) {
    case BoxValueType::container: return EncodeValueAs<Box**>(box, out);
    case BoxValueType::text: return EncodeValueAs<std::string>(box, out);
    case BoxValueType::byte: return EncodeValueAs<std::byte>(box, out);
    case BoxValueType::uint64: return EncodeValueAs<std::uint64_t>(box, out);
    case BoxValueType::uint16: return EncodeValueAs<unsigned short>(box, out);
    case BoxValueType::int16: return EncodeValueAs<short>(box, out);
    case BoxValueType::int32: return EncodeValueAs<int>(box, out);
    case BoxValueType::float32: return EncodeValueAs<float>(box, out);
    case BoxValueType::float64: return EncodeValueAs<double>(box, out);
    case BoxValueType::floatArray: return EncodeValueAs<float*>(box, out);
    case BoxValueType::byteArray: return EncodeValueAs<unsigned char*>(box, out);
    case BoxValueType::none: return false;
  }
  return false;
}

// The payload only.
void EncodeBoxValue(const Box* box, ByteVector& out) {
  if (EncodeExpectedValue(box, out)) {
    return;
  }
  // Any other value: the first exact match in this order decides; none of
  // them (nullptr, no value, a foreign type) gives an empty payload.
  EncodeValueAs<Box*>(box, out) || EncodeValueAs<Box**>(box, out) ||
      EncodeValueAs<std::byte>(box, out) || EncodeValueAs<std::byte*>(box, out) ||
      EncodeValueAs<float>(box, out) || EncodeValueAs<float*>(box, out) ||
      EncodeValueAs<double>(box, out) || EncodeValueAs<int>(box, out) ||
      EncodeValueAs<std::uint64_t>(box, out) || EncodeValueAs<unsigned short>(box, out) ||
      EncodeValueAs<short>(box, out) || EncodeValueAs<unsigned char*>(box, out) ||
      EncodeValueAs<std::string>(box, out);
}

// Header and payload.
void EncodeBox(const Box* box, ByteVector& out) {
  AppendLittleEndian(static_cast<std::uint32_t>(box->size), out);
  AppendBytes(box->typeName.data(), box->typeName.size(), out);
  EncodeBoxValue(box, out);
}

void EncodeBoxes(std::span<Box* const> boxes, ByteVector& out) {
  for (const Box* box : boxes) {
    EncodeBox(box, out);
  }
}

// The length the three top boxes' size fields declare.
std::uint64_t DeclaredDocumentLength(const MotionFormat* format) noexcept {
  std::uint64_t length = 0;
  for (const Box* box : {format->header, format->senderDefinition, format->data}) {
    length += 8U + static_cast<std::uint32_t>(box->size);
  }
  return length;
}

}  // namespace

ByteVector EncodeMotionFormat(const MotionFormat* format) {
  ByteVector out;
  if (format == nullptr || format->header == nullptr || format->senderDefinition == nullptr ||
      format->data == nullptr) {
    return out;
  }
  out.reserve(DeclaredDocumentLength(format));
  Box* const top[] = {format->header, format->senderDefinition, format->data};
  EncodeBoxes(top, out);
  return out;
}

}  // namespace ravuna_motion_format
