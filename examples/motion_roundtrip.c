/* Serialises a 27-bone skeleton definition, one frame of it and a sensor
 * record, detects each buffer's kind, parses each back and prints the values,
 * then judges a frame cut short. Handed-out buffers are copied before the
 * next call that hands out memory; the frame is written, and the sensor
 * record read, into the caller's own memory as well. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ravuna_motion_serializer.h"

#define BONES 27

/* A humanoid: hips, spine, head and limbs, each bone naming its parent. */
static const char* const kBoneNames[BONES] = {
    "hips",          "spine",       "spine1",       "spine2",    "neck",           "head",
    "left_shoulder", "left_arm",    "left_forearm", "left_hand", "right_shoulder", "right_arm",
    "right_forearm", "right_hand",  "left_upleg",   "left_leg",  "left_foot",      "left_toe",
    "right_upleg",   "right_leg",   "right_foot",   "right_toe", "left_thumb",     "left_index",
    "right_thumb",   "right_index", "head_top"};
static const int kParents[BONES] = {-1, 0,  1,  2,  3, 4,  3,  6,  7, 8, 3,  10, 11, 12,
                                    0,  14, 15, 16, 0, 18, 19, 20, 9, 9, 13, 13, 5};

typedef struct {
  int ids[BONES];
  float transform[7][BONES]; /* rotation x, y, z, w, then translation x, y, z */
} Pose;

static Pose MakePose(float phase) {
  Pose pose;
  for (int i = 0; i < BONES; ++i) {
    pose.ids[i] = i;
    pose.transform[0][i] = 0.0f;
    pose.transform[1][i] = phase * (float)(i % 3) * 0.01f;
    pose.transform[2][i] = 0.0f;
    pose.transform[3][i] = 1.0f;
    pose.transform[4][i] = 0.0f;
    pose.transform[5][i] = i == 0 ? 0.95f : 0.1f;
    pose.transform[6][i] = (float)(i % 5) * 0.02f;
  }
  return pose;
}

static unsigned char* CopyBuffer(const unsigned char* bytes, int size) {
  unsigned char* copy = malloc((size_t)size);
  if (copy != NULL) {
    memcpy(copy, bytes, (size_t)size);
  }
  return copy;
}

static void PrintKind(const char* what, const unsigned char* bytes, int size) {
  printf(
      "%s: %d bytes; document %s, skeleton %s, frame %s, sensor %s\n", what, size,
      IsRmfBytes(size, bytes) ? "yes" : "no", IsSkeletonDefinitionBytes(size, bytes) ? "yes" : "no",
      IsFrameDataBytes(size, bytes) ? "yes" : "no", IsSensorDataBytes(size, bytes) ? "yes" : "no");
}

static void PrintAddress(uint64_t packed, uint32_t port) {
  printf("  sender %u.%u.%u.%u port %u\n", (unsigned)(packed / 1000000000u % 1000u),
         (unsigned)(packed / 1000000u % 1000u), (unsigned)(packed / 1000u % 1000u),
         (unsigned)(packed % 1000u), port);
}

static int SkeletonRoundTrip(void) {
  const Pose pose = MakePose(0.0f);
  int size = 0;
  unsigned char* handedOut = NULL;
  if (!ConvertSkeletonDefinitionToBytes("192.168.0.10", 22224, BONES, pose.ids, kParents,
                                        pose.transform[0], pose.transform[1], pose.transform[2],
                                        pose.transform[3], pose.transform[4], pose.transform[5],
                                        pose.transform[6], &size, &handedOut)) {
    return 1;
  }
  unsigned char* bytes = CopyBuffer(handedOut, size);
  if (bytes == NULL) {
    return 1;
  }
  PrintKind("skeleton definition", bytes, size);

  uint64_t ip = 0;
  uint32_t port = 0;
  int count = 0;
  int *ids = NULL, *parents = NULL;
  float* t[7] = {NULL};
  const int ok = ConvertBytesToSkeletonDefinition(size, bytes, &ip, &port, &count, &ids, &parents,
                                                  &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
  free(bytes);
  if (!ok) {
    return 1;
  }
  PrintAddress(ip, port);
  printf("  %d bones\n", count);
  for (int i = 0; i < count; i += 6) {
    printf("  bone %2d %-14s parent %2d rotation (%g, %g, %g, %g) translation (%g, %g, %g)\n",
           ids[i], kBoneNames[i], parents[i], t[0][i], t[1][i], t[2][i], t[3][i], t[4][i], t[5][i],
           t[6][i]);
  }
  return 0;
}

/* A receive buffer too small for the datagram cuts a frame short, here to
 * half its bytes, inside its bones. It still parses (missing values read as
 * 0); the verdict tells that it was read leniently, where the whole frame
 * reads exactly. */
static int JudgeCutFrame(const unsigned char* bytes, int size) {
  RavunaDocumentVerdict whole, cut;
  char text[RAVUNA_VERDICT_TEXT_CAPACITY];
  int length = 0;
  const int received = size / 2;
  if (!JudgeDocumentBytes(size, bytes, RAVUNA_DOCUMENT_FRAME_DATA, &whole) ||
      !JudgeDocumentBytes(received, bytes, RAVUNA_DOCUMENT_FRAME_DATA, &cut) ||
      whole.reason != RAVUNA_VERDICT_ACCEPTED || whole.lenientReads != 0 ||
      cut.reason != RAVUNA_VERDICT_ACCEPTED || cut.lenientReads == 0 ||
      !DescribeDocumentVerdict(&cut, (int)sizeof text, text, &length)) {
    return 1;
  }
  printf("  first %d bytes: %s\n", received, text);
  return 0;
}

static bool EncodeFrameInto(const Pose* pose, int capacity, unsigned char* buffer, int* size) {
  return ConvertFrameDataToBuffer("192.168.0.10", 22224, 1200, 20.0f, 1765000000.25, 10, 30, 0, 0,
                                  0, true, BONES, pose->ids, pose->transform[0], pose->transform[1],
                                  pose->transform[2], pose->transform[3], pose->transform[4],
                                  pose->transform[5], pose->transform[6], capacity, buffer, size);
}

/* The same frame written into the caller's own buffer, its size asked first:
 * no memory handed out, no lock taken. */
static int FrameInOwnBuffer(const Pose* pose, const unsigned char* bytes, int size) {
  unsigned char own[2048];
  int needed = 0, written = 0;
  if (EncodeFrameInto(pose, 0, NULL, &needed) || needed != size || needed > (int)sizeof own ||
      !EncodeFrameInto(pose, needed, own, &written) || memcmp(own, bytes, (size_t)size) != 0) {
    return 1;
  }
  printf("  the same %d bytes written into the caller's buffer\n", written);
  return 0;
}

static int FrameRoundTrip(void) {
  const Pose pose = MakePose(1.0f);
  int size = 0;
  unsigned char* handedOut = NULL;
  if (!ConvertFrameDataToBytes("192.168.0.10", 22224, 1200, 20.0f, 1765000000.25, 10, 30, 0, 0, 0,
                               true, BONES, pose.ids, pose.transform[0], pose.transform[1],
                               pose.transform[2], pose.transform[3], pose.transform[4],
                               pose.transform[5], pose.transform[6], &size, &handedOut)) {
    return 1;
  }
  unsigned char* bytes = CopyBuffer(handedOut, size);
  if (bytes == NULL) {
    return 1;
  }
  PrintKind("frame data", bytes, size);

  uint64_t ip = 0;
  uint32_t port = 0;
  int frame = 0, count = 0;
  float time = 0;
  double uttm = 0;
  unsigned char tc[5] = {0};
  bool flag = false;
  int* ids = NULL;
  float* t[7] = {NULL};
  const int ok = ConvertBytesToFrameData(size, bytes, &ip, &port, &frame, &time, &uttm, &tc[0],
                                         &tc[1], &tc[2], &tc[3], &tc[4], &flag, &count, &ids, &t[0],
                                         &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
  if (!ok) {
    free(bytes);
    return 1;
  }
  PrintAddress(ip, port);
  printf("  frame %d time %g uttm %.2f timecode %02u:%02u:%02u:%02u.%u flag %d, %d bones\n", frame,
         time, uttm, tc[0], tc[1], tc[2], tc[3], tc[4], flag, count);
  printf("  bone %d rotation (%g, %g, %g, %g)\n", ids[count - 1], t[0][count - 1], t[1][count - 1],
         t[2][count - 1], t[3][count - 1]);
  const int judged = JudgeCutFrame(bytes, size) || FrameInOwnBuffer(&pose, bytes, size);
  free(bytes);
  return judged;
}

static int SensorRoundTrip(void) {
  int size = 0;
  unsigned char* handedOut = NULL;
  if (!ConvertSensorDataToBytes("192.168.0.10", 22224, 1765000000.5, "00:11:22:33:44:55",
                                "left wrist", 9, 0.0f, 0.0f, 0.0f, 1.0f, 0.1f, 9.8f, -0.2f, &size,
                                &handedOut)) {
    return 1;
  }
  unsigned char* bytes = CopyBuffer(handedOut, size);
  if (bytes == NULL) {
    return 1;
  }
  PrintKind("sensor data", bytes, size);

  uint64_t ip = 0;
  uint32_t port = 0;
  double uttm = 0;
  char *address = NULL, *name = NULL;
  int joint = 0;
  float v[7] = {0};
  const int ok = ConvertBytesToSensorData(size, bytes, &ip, &port, &uttm, &address, &name, &joint,
                                          &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  /* The texts again, into the caller's buffers (capacities count the NUL). */
  char ownAddress[32], ownName[32];
  int addressLength = 0, nameLength = 0;
  const int inOwnBuffers = ConvertBytesToSensorDataTexts(
      size, bytes, &ip, &port, &uttm, (int)sizeof ownAddress, ownAddress, &addressLength,
      (int)sizeof ownName, ownName, &nameLength, &joint, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
      &v[6]);
  free(bytes);
  const int same = ok && inOwnBuffers && strcmp(ownAddress, address) == 0 &&
                   strcmp(ownName, name) == 0 && nameLength == (int)strlen(name) &&
                   addressLength == (int)strlen(address);
  if (same) {
    PrintAddress(ip, port);
    printf("  sensor \"%s\" at \"%s\" joint %d uttm %.2f values (%g, %g, %g, %g, %g, %g, %g)\n",
           name, address, joint, uttm, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
  }
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return same ? 0 : 1;
}

int main(void) {
  if (SkeletonRoundTrip() != 0 || FrameRoundTrip() != 0 || SensorRoundTrip() != 0) {
    fputs("round trip failed\n", stderr);
    return 1;
  }
  return 0;
}
