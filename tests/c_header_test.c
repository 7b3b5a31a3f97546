/* The public header used from C99: every function called through it. */
#include <stdio.h>
#include <string.h>

#include "ravuna_motion_serializer.h"

int main(void) {
  const int ids[1] = {-1};
  const float f[1] = {2.5f};
  int size = 0, count = 0, frame = 0, joint = 0, ok = 1;
  unsigned char *buffer = NULL, tc[5];
  uint64_t ip = 0;
  uint32_t port = 0;
  float time = 0, v[7], *o[7];
  double uttm = 0;
  bool flag = false;
  int *outIds = NULL, *outParents = NULL;
  char *address = NULL, *name = NULL;
  ok &= ConvertSkeletonDefinitionToBytes("1.2.3.4", 7u, 1, ids, ids, f, f, f, f, f, f, f, &size,
                                         &buffer) &&
        IsSkeletonDefinitionBytes(size, buffer) &&
        ConvertBytesToSkeletonDefinition(size, buffer, &ip, &port, &count, &outIds, &outParents,
                                         &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6]) &&
        ip == 1002003004ull && outParents[0] == -1 && o[6][0] == 2.5f;
  ok &= ConvertFrameDataToBytes("10.0.0.1", 9000u, 42, 0.5f, 2.0, 1, 2, 3, 4, 5, true, 1, ids, f, f,
                                f, f, f, f, f, &size, &buffer) &&
        IsFrameDataBytes(size, buffer) &&
        ConvertBytesToFrameData(size, buffer, &ip, &port, &frame, &time, &uttm, &tc[0], &tc[1],
                                &tc[2], &tc[3], &tc[4], &flag, &count, &outIds, &o[0], &o[1], &o[2],
                                &o[3], &o[4], &o[5], &o[6]) &&
        frame == 42 && uttm == 2.0 && tc[4] == 5 && flag && outIds[0] == -1;
  ok &= ConvertSensorDataToBytes("1.1.1.1", 1u, 1.0, "ab", "c", 3, 0, 0, 0, 1, 0, 0, 0, &size,
                                 &buffer) &&
        IsRmfBytes(size, buffer) && IsSensorDataBytes(size, buffer) &&
        ConvertBytesToSensorData(size, buffer, &ip, &port, &uttm, &address, &name, &joint, &v[0],
                                 &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) &&
        strcmp(address, "ab") == 0 && strcmp(name, "c") == 0 && joint == 3 && v[3] == 1.0f;
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  puts(ok ? "every function called through the C header" : "a call through the C header failed");
  return ok ? 0 : 1;
}
