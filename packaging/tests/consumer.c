/* A program built against an installed library: encodes a two-bone frame,
 * detects it, parses a copy back and compares every value. Exit status 0, or
 * the number of the first check that failed. It calls nothing of the C
 * library, so it also links where only an import library is at hand. */
#include "ravuna_motion_serializer.h"

enum { kBones = 2, kDocumentSize = 147 + 54 * kBones };

static int RoundTrip(void) {
  static const int ids[kBones] = {7, -3};
  static const float rx[kBones] = {0.5f, -0.25f}, ry[kBones] = {1.0f, 2.0f};
  static const float rz[kBones] = {0.0f, -0.0f}, rw[kBones] = {1.0f, 0.125f};
  static const float tx[kBones] = {3.0f, 4.0f}, ty[kBones] = {5.0f, 6.0f};
  static const float tz[kBones] = {7.0f, 8.5f};
  static unsigned char copy[kDocumentSize];
  int size = 0;
  unsigned char* document = 0;
  if (!ConvertFrameDataToBytes("192.168.0.10", 7000, 42, 0.5f, 2.0, 10, 20, 30, 4, 0, true, kBones,
                               ids, rx, ry, rz, rw, tx, ty, tz, &size, &document)) {
    return 1;
  }
  if (size != kDocumentSize) return 2;
  for (int i = 0; i < size; ++i) copy[i] = document[i];
  if (!IsFrameDataBytes(size, copy) || IsSkeletonDefinitionBytes(size, copy)) return 3;

  uint64_t address = 0;
  uint32_t port = 0;
  int frame = 0, count = 0, *outIds = 0;
  float time = 0, *r[4] = {0}, *t[3] = {0};
  double uttm = 0;
  unsigned char tc[5] = {0};
  bool flag = false;
  if (!ConvertBytesToFrameData(size, copy, &address, &port, &frame, &time, &uttm, &tc[0], &tc[1],
                               &tc[2], &tc[3], &tc[4], &flag, &count, &outIds, &r[0], &r[1], &r[2],
                               &r[3], &t[0], &t[1], &t[2])) {
    return 4;
  }
  if (address != 192168000010u || port != 7000 || frame != 42 || time != 0.5f || uttm != 2.0) {
    return 5;
  }
  if (tc[0] != 10 || tc[1] != 20 || tc[2] != 30 || tc[3] != 4 || !flag || count != kBones) return 6;
  for (int i = 0; i < kBones; ++i) {
    if (outIds[i] != ids[i] || r[0][i] != rx[i] || r[1][i] != ry[i] || r[2][i] != rz[i] ||
        r[3][i] != rw[i] || t[0][i] != tx[i] || t[1][i] != ty[i] || t[2][i] != tz[i]) {
      return 7;
    }
  }
  return 0;
}

#if defined(RAVUNA_CONSUMER_WITHOUT_C_RUNTIME)
/* Linked with the MSVC import library and no C runtime: this is the entry
 * point, its return value becomes the exit status, and the marker the
 * compiler requires of code using floating point is defined here. */
int _fltused = 0;
int mainCRTStartup(void) { return RoundTrip(); }
#else
int main(void) { return RoundTrip(); }
#endif
