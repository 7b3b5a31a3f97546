// The service object behind the exports: one per process, one lock, one
// operation per export with the export's name and parameters (all exports but
// the verdict's two, which need neither).
#pragma once

#include <cstdint>

#include "box/box_kinds.h"
#include "documents/frame_data.h"
#include "documents/skeleton_definition.h"
#include "interface/retained_buffers.h"
#include "interface/service_lock.h"

namespace ravuna_motion_format {

class MotionSerializer {
 public:
  // The process's one service object, created on first use (also when first
  // calls race) and never destroyed.
  static MotionSerializer& Instance();
  // How many service objects this process has created (1 once in use).
  static int CreatedCount() noexcept;

  MotionSerializer(const MotionSerializer&) = delete;
  MotionSerializer& operator=(const MotionSerializer&) = delete;

  bool ConvertSkeletonDefinitionToBytes(const char* ipText, std::uint32_t port, int boneCount,
                                        const int* boneIds, const int* parentBoneIds,
                                        const float* rotation0, const float* rotation1,
                                        const float* rotation2, const float* rotation3,
                                        const float* translation0, const float* translation1,
                                        const float* translation2, int* outSize,
                                        unsigned char** outBuffer);
  bool ConvertBytesToSkeletonDefinition(int size, const unsigned char* bytes,
                                        std::uint64_t* outIpAddress, std::uint32_t* outPort,
                                        int* outBoneCount, int** outBoneIds, int** outParentBoneIds,
                                        float** outRotation0, float** outRotation1,
                                        float** outRotation2, float** outRotation3,
                                        float** outTranslation0, float** outTranslation1,
                                        float** outTranslation2);
  bool ConvertFrameDataToBytes(const char* ipText, std::uint32_t port, int frameNumber, float time,
                               double uttm, unsigned char timecode0, unsigned char timecode1,
                               unsigned char timecode2, unsigned char timecode3,
                               unsigned char timecode4, bool timecodeFlag, int boneCount,
                               const int* boneIds, const float* rotation0, const float* rotation1,
                               const float* rotation2, const float* rotation3,
                               const float* translation0, const float* translation1,
                               const float* translation2, int* outSize, unsigned char** outBuffer);
  bool ConvertBytesToFrameData(int size, const unsigned char* bytes, std::uint64_t* outIpAddress,
                               std::uint32_t* outPort, int* outFrameNumber, float* outTime,
                               double* outUttm, unsigned char* outTimecode0,
                               unsigned char* outTimecode1, unsigned char* outTimecode2,
                               unsigned char* outTimecode3, unsigned char* outTimecode4,
                               bool* outTimecodeFlag, int* outBoneCount, int** outBoneIds,
                               float** outRotation0, float** outRotation1, float** outRotation2,
                               float** outRotation3, float** outTranslation0,
                               float** outTranslation1, float** outTranslation2);
  bool ConvertSensorDataToBytes(const char* ipText, std::uint32_t port, double uttm,
                                const char* sensorAddress, const char* sensorName,
                                int sensorJointIndex, float sensorValue0, float sensorValue1,
                                float sensorValue2, float sensorValue3, float sensorValue4,
                                float sensorValue5, float sensorValue6, int* outSize,
                                unsigned char** outBuffer);
  bool ConvertBytesToSensorData(int size, const unsigned char* bytes, std::uint64_t* outIpAddress,
                                std::uint32_t* outPort, double* outUttm, char** outSensorAddress,
                                char** outSensorName, int* outSensorJointIndex,
                                float* outSensorValue0, float* outSensorValue1,
                                float* outSensorValue2, float* outSensorValue3,
                                float* outSensorValue4, float* outSensorValue5,
                                float* outSensorValue6);
  // Frees a text handed out by ConvertBytesToSensorData; null is a no-op.
  void ReleaseSensorDataText(char* text);
  bool IsRmfBytes(int size, const unsigned char* bytes);
  bool IsSkeletonDefinitionBytes(int size, const unsigned char* bytes);
  bool IsFrameDataBytes(int size, const unsigned char* bytes);
  bool IsSensorDataBytes(int size, const unsigned char* bytes);

 private:
  MotionSerializer();
  bool ContainsBox(BoxType kind, int size, const unsigned char* bytes);

  // Every operation holds this lock for its whole run.
  ServiceMutex mutex_;
  // The memory handed out by the last recording call.
  RetainedBuffers handedOut_ RAVUNA_GUARDED_BY(mutex_);
  // What the general walk collects, reused from call to call so that the
  // sequences keep their memory; emptied at the end of every call.
  SkeletonDefinitionValues skeletonValues_ RAVUNA_GUARDED_BY(mutex_);
  FrameDataValues frameValues_ RAVUNA_GUARDED_BY(mutex_);
};

}  // namespace ravuna_motion_format
