// The physical floor of each case: copying a buffer of the document's length
// and, for the parsing cases, also writing output arrays of the same bone
// count. Nothing is allocated inside the timed loop.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "bench_registration.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

struct CopyFloorInput {
  Bytes source;
  Bytes target;
};

struct DecodeFloorInput {
  Bytes source;
  Bytes target;
  std::vector<std::vector<int>> intSources;  // ids, and parent ids for skeletons
  std::vector<std::vector<float>> floatSources;
  std::vector<std::vector<int>> intTargets;
  std::vector<std::vector<float>> floatTargets;
};

void RegisterCopyFloor(const std::string& name, Bytes document) {
  auto input = std::make_shared<CopyFloorInput>();
  input->target.resize(document.size());
  input->source = std::move(document);
  benchmark::RegisterBenchmark(name.c_str(), [input](benchmark::State& state) {
    MeasureCalls(state, input->source.size(), [&input] {
      std::memcpy(input->target.data(), input->source.data(), input->source.size());
      benchmark::ClobberMemory();
      return true;
    });
  })->Unit(benchmark::kNanosecond);
}

void RegisterDecodeFloor(const std::string& name, Bytes document, const BoneInputs& bones,
                         bool withParents) {
  auto input = std::make_shared<DecodeFloorInput>();
  input->target.resize(document.size());
  input->source = std::move(document);
  const calls::Bones& values = bones.skeleton.bones;
  input->intSources.push_back(values.ids);
  if (withParents) {
    input->intSources.push_back(values.parentIds);
  }
  input->floatSources.assign(values.transforms.begin(), values.transforms.end());
  input->intTargets = input->intSources;
  input->floatTargets = input->floatSources;
  benchmark::RegisterBenchmark(name.c_str(), [input](benchmark::State& state) {
    MeasureCalls(state, input->source.size(), [&input] {
      std::memcpy(input->target.data(), input->source.data(), input->source.size());
      for (std::size_t k = 0; k < input->intSources.size(); ++k) {
        std::copy(input->intSources[k].begin(), input->intSources[k].end(),
                  input->intTargets[k].begin());
      }
      for (std::size_t k = 0; k < input->floatSources.size(); ++k) {
        std::copy(input->floatSources[k].begin(), input->floatSources[k].end(),
                  input->floatTargets[k].begin());
      }
      benchmark::ClobberMemory();
      return true;
    });
  })->Unit(benchmark::kNanosecond);
}

}  // namespace

void RegisterFloorBenchmarks() {
  for (const int count : kBoneCounts) {
    const BoneInputs bones(count);
    const std::string variant = std::to_string(count);
    RegisterCopyFloor(CopyFloorName("skeleton", variant), SkeletonDocument(bones));
    RegisterDecodeFloor(DecodeFloorName("skeleton", variant), SkeletonDocument(bones), bones, true);
    RegisterCopyFloor(CopyFloorName("frame", variant), FrameDocument(bones));
    RegisterDecodeFloor(DecodeFloorName("frame", variant), FrameDocument(bones), bones, false);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    RegisterCopyFloor(CopyFloorName("sensor", variant.name),
                      SensorDocument(SensorInputs(variant.textLength)));
  }
}

}  // namespace ravuna_bench
