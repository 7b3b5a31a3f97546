#include "rmf/documents/document_values.h"

#include "documents/document_reads.h"

namespace rmf {
namespace {

namespace mf = ravuna_motion_format;

std::optional<std::uint32_t> PortOf(const mf::SenderValues& sender) {
  return sender.hasPort ? std::optional<std::uint32_t>(sender.port) : std::nullopt;
}

std::string AddressOf(const mf::SenderValues& sender) {
  return sender.hasAddress ? mf::IpAddressToString(sender.packedAddress) : std::string();
}

// The bones as the library hands them out: every array as long as the ids.
template <class Values>
void ReadBones(mf::BoneDocumentRead& read, Values& values, std::vector<int>* parentBoneIds) {
  const std::size_t count = read.CountBones();
  values.boneIds.resize(count);
  mf::BoneOutputs out{values.boneIds.data(), nullptr, {}};
  if (parentBoneIds != nullptr) {
    parentBoneIds->resize(count);
    out.parentBoneIds = parentBoneIds->data();
  }
  for (std::size_t k = 0; k < out.transforms.size(); ++k) {
    values.transforms[k].resize(count);
    out.transforms[k] = values.transforms[k].data();
  }
  read.ReadBones(out, count);
}

}  // namespace

DecodedValues ReadDocumentValues(mf::BoxType dataKind, mf::ByteView bytes, std::string& ipText) {
  if (dataKind == mf::BoxType::sndt) {
    const mf::SensorDataRead read = mf::ReadSensorData(bytes);
    if (!read.accepted) {
      return {};
    }
    ipText = AddressOf(read.sender);
    return SensorDataValues{PortOf(read.sender),
                            read.values.uttm,
                            std::string(read.values.sensorAddress),
                            std::string(read.values.sensorName),
                            read.values.sensorJointIndex,
                            read.values.sensorValues};
  }
  mf::BoneDocumentRead read = dataKind == mf::BoxType::fram
                                  ? mf::BoneDocumentRead::OfFrameData(bytes)
                                  : mf::BoneDocumentRead::OfSkeletonDefinition(bytes);
  if (!read.accepted()) {
    return {};
  }
  ipText = AddressOf(read.sender());
  if (dataKind == mf::BoxType::fram) {
    FrameDataValues values{PortOf(read.sender()), {}, {}, {}};
    ReadBones(read, values, nullptr);
    values.frame = read.frame();
    return values;
  }
  SkeletonDefinitionValues values{PortOf(read.sender()), {}, {}, {}};
  ReadBones(read, values, &values.parentBoneIds);
  return values;
}

}  // namespace rmf
