/* The public header used from C99: every function called through it. */
#include "ravuna_motion_serializer.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition)                                              \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                     \
    }                                                                 \
  } while (0)

static void FrameRoundTrip(void) {
  const int ids[2] = {0, -1};
  const float r0[2] = {1.0f, 2.0f}, r1[2] = {0}, r2[2] = {0}, r3[2] = {0};
  const float t0[2] = {0}, t1[2] = {0}, t2[2] = {-3.5f, 4.0f};
  int size = 0;
  unsigned char* buffer = NULL;
  CHECK(ConvertFrameDataToBytes("10.0.0.1", 9000u, 42, 0.5f, 2.0, 1, 2, 3, 4, 5, true, 2, ids, r0,
                                r1, r2, r3, t0, t1, t2, &size, &buffer));
  CHECK(size == 147 + 2 * 54);
  CHECK(IsRmfBytes(size, buffer) && IsFrameDataBytes(size, buffer));
  CHECK(!IsSkeletonDefinitionBytes(size, buffer) && !IsSensorDataBytes(size, buffer));

  uint64_t ip = 0;
  uint32_t port = 0;
  int frame = 0, count = 0;
  float time = 0;
  double uttm = 0;
  unsigned char tc[5] = {0};
  bool flag = false;
  int* outIds = NULL;
  float *o0 = NULL, *o1 = NULL, *o2 = NULL, *o3 = NULL, *o4 = NULL, *o5 = NULL, *o6 = NULL;
  CHECK(ConvertBytesToFrameData(size, buffer, &ip, &port, &frame, &time, &uttm, &tc[0], &tc[1],
                                &tc[2], &tc[3], &tc[4], &flag, &count, &outIds, &o0, &o1, &o2, &o3,
                                &o4, &o5, &o6));
  CHECK(ip == 10000000001ull && port == 9000u && frame == 42 && time == 0.5f && uttm == 2.0);
  CHECK(tc[0] == 1 && tc[4] == 5 && flag);
  CHECK(count == 2 && outIds[1] == -1 && o0[1] == 2.0f && o6[0] == -3.5f);
}

static void SkeletonRoundTrip(void) {
  const int ids[1] = {5}, parents[1] = {-1};
  const float r0[1] = {0}, r1[1] = {0}, r2[1] = {0}, r3[1] = {1}, t0[1] = {0.1f}, t1[1] = {1.2f},
              t2[1] = {-0.3f};
  int size = 0;
  unsigned char* buffer = NULL;
  CHECK(ConvertSkeletonDefinitionToBytes("1.2.3.4", 7u, 1, ids, parents, r0, r1, r2, r3, t0, t1, t2,
                                         &size, &buffer));
  CHECK(size == 157);
  uint64_t ip = 0;
  uint32_t port = 0;
  int count = 0;
  int *outIds = NULL, *outParents = NULL;
  float *o0 = NULL, *o1 = NULL, *o2 = NULL, *o3 = NULL, *o4 = NULL, *o5 = NULL, *o6 = NULL;
  CHECK(ConvertBytesToSkeletonDefinition(size, buffer, &ip, &port, &count, &outIds, &outParents,
                                         &o0, &o1, &o2, &o3, &o4, &o5, &o6));
  CHECK(ip == 1002003004ull && port == 7u && count == 1 && outParents[0] == -1 && o6[0] == -0.3f);
}

static void SensorRoundTrip(void) {
  int size = 0;
  unsigned char* buffer = NULL;
  CHECK(ConvertSensorDataToBytes("1.1.1.1", 1u, 1.0, "ab", "c", 3, 0, 0, 0, 1, 0, 0, 0, &size,
                                 &buffer));
  CHECK(size == 168 && IsSensorDataBytes(size, buffer));
  uint64_t ip = 0;
  uint32_t port = 0;
  double uttm = 0;
  char *address = NULL, *name = NULL;
  int joint = 0;
  float v[7] = {0};
  CHECK(ConvertBytesToSensorData(size, buffer, &ip, &port, &uttm, &address, &name, &joint, &v[0],
                                 &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]));
  CHECK(strcmp(address, "ab") == 0 && strcmp(name, "c") == 0 && joint == 3 && v[3] == 1.0f);
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  ReleaseSensorDataText(NULL);
}

int main(void) {
  FrameRoundTrip();
  SkeletonRoundTrip();
  SensorRoundTrip();
  CHECK(!IsRmfBytes(0, NULL));
  RavunaDocumentVerdict verdict;
  char text[RAVUNA_VERDICT_TEXT_CAPACITY];
  int length = 0;
  CHECK(sizeof verdict == 20 && JudgeDocumentBytes(0, NULL, RAVUNA_DOCUMENT_NONE, &verdict));
  CHECK(verdict.reason == RAVUNA_VERDICT_NO_HEADER && verdict.lenientReads == 0u);
  CHECK(DescribeDocumentVerdict(&verdict, (int)sizeof text, text, &length));
  CHECK(length == (int)strlen(text) && strncmp(text, "not a valid document", 20) == 0);
  if (failures == 0) {
    puts("c_header_test: all checks passed");
  }
  return failures == 0 ? 0 : 1;
}
