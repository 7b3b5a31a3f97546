#include "documents/bone_transform.h"

#include <algorithm>

namespace ravuna_motion_format {

bool TransformArrays::AnyNull() const noexcept {
  const auto isNull = [](const float* array) { return array == nullptr; };
  return std::any_of(rotation.begin(), rotation.end(), isNull) ||
         std::any_of(translation.begin(), translation.end(), isNull);
}

Box* NewTransformBox(const TransformArrays& arrays, std::size_t bone) {
  const float first[4] = {arrays.rotation[0][bone], arrays.rotation[1][bone],
                          arrays.rotation[2][bone], arrays.rotation[3][bone]};
  const float second[3] = {arrays.translation[0][bone], arrays.translation[1][bone],
                           arrays.translation[2][bone]};
  return new Box(BoxType::tran, first, second);
}

std::array<float, kTransformFloatCount> ReadTransform(ByteView bytes,
                                                      std::uint64_t payload) noexcept {
  std::array<float, kTransformFloatCount> transform{};
  if (FitsWithin(bytes, payload, sizeof transform)) {
    // The usual case: all seven present, one bounds check for the lot.
    const std::uint8_t* data = bytes.data() + payload;
    for (std::size_t k = 0; k < transform.size(); ++k) {
      transform[k] = LoadLittleEndian<float>(data + 4U * k);
    }
    return transform;
  }
  for (std::size_t k = 0; k < transform.size(); ++k) {
    transform[k] = ReadLittleEndian<float>(bytes, payload + 4U * k);
  }
  return transform;
}

}  // namespace ravuna_motion_format
