// What every detection and parsing answer must satisfy whatever the bytes:
// shared by the fuzz targets that feed the exports hostile input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravuna_fuzz {

struct ReaderAnswers {
  bool isRmf = false;
  bool isSkeletonDefinition = false;
  bool isFrameData = false;
  bool isSensorData = false;
  bool skeletonDefinitionParsed = false;
  bool frameDataParsed = false;
  bool sensorDataParsed = false;
};

// Runs the four detection exports and the three parsing exports over the
// bytes, reads every element of everything handed out (so that a sanitizer
// sees any short array or unterminated text), gives the texts back, and
// aborts when an answer breaks the documented contract: outputs written on
// failure, a parse that succeeds where detection fails, a port above 65535,
// a packed address of more than twelve digits, a flag other than 0 or 1.
ReaderAnswers CheckEveryReader(const std::uint8_t* data, std::size_t size);

}  // namespace ravuna_fuzz
