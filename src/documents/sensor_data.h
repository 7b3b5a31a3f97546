// The sensor data document: one record of one sensor in an "sndt" box.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "box/box.h"
#include "box/envelope_decoder.h"

namespace ravuna_motion_format {

std::uint64_t SensorDataLength(std::uint64_t addressLength, std::uint64_t nameLength) noexcept;

using SensorValueArray = std::array<float, kTransformFloatCount>;

MotionFormatPtr BuildSensorData(std::string ipText, std::string sensorAddress,
                                std::string sensorName, std::uint16_t port, double uttm,
                                int sensorJointIndex, const SensorValueArray& sensorValues);

// What a sensor data document holds. A missing "uttm" reads as 0.0 and a
// missing text as empty; a missing "snji" or "snvl" stays absent, so the
// caller's variables keep their values.
struct SensorDataValues {
  std::optional<std::uint32_t> port;
  double uttm = 0.0;
  std::string sensorAddress;
  std::string sensorName;
  std::optional<int> sensorJointIndex;
  std::optional<SensorValueArray> sensorValues;
};

EnvelopeResult DecodeSensorData(ByteView bytes, std::string& ipText, SensorDataValues& values);

void ReadSensorDataBox(ByteView data, SensorDataValues& values);

}  // namespace ravuna_motion_format
