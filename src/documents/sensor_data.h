// The sensor data document: one record of one sensor in an "sndt" box.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "box/box.h"
#include "box/box_reading.h"
#include "documents/bone_transform.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {

using SensorValueArray = std::array<float, kTransformFloatCount>;

MotionFormatPtr BuildSensorData(std::string ipText, std::string sensorAddress,
                                std::string sensorName, std::uint16_t port, double uttm,
                                int sensorJointIndex, const SensorValueArray& sensorValues);

// What a sensor data document holds. A missing "uttm" reads as 0.0 and a
// missing text as empty; a missing "snji" or "snvl" stays absent, so the
// caller's variables keep their values. The texts view the parsed bytes.
struct SensorDataValues {
  double uttm = 0.0;
  std::string_view sensorAddress;
  std::string_view sensorName;
  std::optional<int> sensorJointIndex;
  std::optional<SensorValueArray> sensorValues;
};

// The general read of "sndt": the last box of each kind wins.
inline constexpr BoxReading<SensorDataValues, 5> kSensorDataReading{{{
    {BoxType::uttm, LeafCount::once,
     [](SensorDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.uttm = ReadLittleEndian<double>(bytes, box.Payload());
     }},
    {BoxType::snad, LeafCount::once,
     [](SensorDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.sensorAddress = ReadBoxString(bytes, box.Payload(), box.header.size);
     }},
    {BoxType::snnm, LeafCount::once,
     [](SensorDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.sensorName = ReadBoxString(bytes, box.Payload(), box.header.size);
     }},
    {BoxType::snji, LeafCount::once,
     [](SensorDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.sensorJointIndex = ReadLittleEndian<int>(bytes, box.Payload());
     }},
    {BoxType::snvl, LeafCount::once,
     [](SensorDataValues& values, ByteView bytes, const WalkedBox& box) {
       values.sensorValues = ReadTransform(bytes, box.Payload());
     }},
}}};

}  // namespace ravuna_motion_format
