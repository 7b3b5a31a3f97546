#include "documents/sensor_data.h"

#include <algorithm>

#include "documents/document_header.h"

namespace ravuna_motion_format {

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

}  // namespace ravuna_motion_format
