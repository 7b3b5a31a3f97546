#include "documents/sensor_data.h"

#include "documents/bone_transform.h"
#include "documents/document_header.h"
#include "documents/document_layout.h"

namespace ravuna_motion_format {
namespace {

// The document start, then "sndt" with empty texts.
constexpr std::uint64_t kEmptySensorDataLength = kDocumentStartLength + 88;

}  // namespace

std::uint64_t SensorDataLength(std::uint64_t addressLength, std::uint64_t nameLength) noexcept {
  return kEmptySensorDataLength + addressLength + nameLength;
}

MotionFormatPtr BuildSensorData(std::string ipText, std::string sensorAddress,
                                std::string sensorName, std::uint16_t port, double uttm,
                                int sensorJointIndex, const SensorValueArray& sensorValues) {
  const float* values = sensorValues.data();
  BoxList sensor;
  sensor.Reserve(5);
  sensor.Add(new Box(BoxType::uttm, uttm, 8));
  sensor.Add(new Box(BoxType::snad, std::move(sensorAddress)));
  sensor.Add(new Box(BoxType::snnm, std::move(sensorName)));
  sensor.Add(new Box(BoxType::snji, sensorJointIndex, 4));
  sensor.Add(new Box(BoxType::snvl, values, values + 4));
  OwnedBox data(NewContainer(BoxType::sndt, sensor));

  return NewMotionFormat(std::move(ipText), port, std::move(data));
}

EnvelopeResult DecodeSensorData(ByteView bytes, std::string& ipText, SensorDataValues& values) {
  EnvelopeResult envelope = DecodeMotionFormat(bytes, ipText, values.port, BoxType::sndt);
  if (envelope) {
    values.uttm = 0.0;
    values.sensorAddress.clear();
    values.sensorName.clear();
    ReadSensorDataBox(envelope.data, values);
  }
  return envelope;
}

void ReadSensorDataBox(ByteView data, SensorDataValues& values) {
  WalkBoxes(data, 0, -1, [&](BoxType type, std::uint64_t payload, std::uint32_t size) {
    switch (type) {
      case BoxType::uttm: values.uttm = ReadLittleEndian<double>(data, payload); return true;
      case BoxType::snad: values.sensorAddress = ReadBoxString(data, payload, size); return true;
      case BoxType::snnm: values.sensorName = ReadBoxString(data, payload, size); return true;
      case BoxType::snji:
        values.sensorJointIndex = ReadLittleEndian<int>(data, payload);
        return true;
      case BoxType::snvl: values.sensorValues = ReadTransform(data, payload); return true;
      default: return false;
    }
  });
}

}  // namespace ravuna_motion_format
