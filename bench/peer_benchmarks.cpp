// The same frame through two peers, for the report's comparison: an OSC
// bundle of one message per bone (name and seven floats) built and read with
// oscpack, and a FlatBuffers table with a vector of bone structs, built with
// a reused builder and verified before it is read (network input is
// untrusted), into its own structs or into a caller's arrays. Each peer is
// compiled in only when its package was found.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "bench_registration.h"
#include "sample_documents.h"

#ifdef RAVUNA_BENCH_OSCPACK
#include <osc/OscOutboundPacketStream.h>
#include <osc/OscReceivedElements.h>
#endif
#ifdef RAVUNA_BENCH_FLATBUFFERS
#include "peer_frame_generated.h"
#endif

namespace ravuna_bench {
namespace {

template <class Call>
void RegisterPeer(const std::string& name, std::size_t length, Call call) {
  benchmark::RegisterBenchmark(name.c_str(), [length, call](benchmark::State& state) {
    MeasureCalls(state, length, call);
  })->Unit(benchmark::kNanosecond);
}

#ifdef RAVUNA_BENCH_OSCPACK
struct OscFrame {
  calls::Bones bones = BoneInputs(kHumanoidBones).frame.bones;
  std::vector<std::string> names;
  std::vector<char> buffer = std::vector<char>(64 * 1024);
  std::size_t length = 0;
  std::vector<float> read = std::vector<float>(7 * kHumanoidBones);

  OscFrame() {
    for (int i = 0; i < bones.count; ++i) {
      names.push_back("bone" + std::to_string(bones.ids[static_cast<std::size_t>(i)]));
    }
  }
  bool Build() {
    osc::OutboundPacketStream stream(buffer.data(), buffer.size());
    stream << osc::BeginBundleImmediate;
    for (std::size_t i = 0; i < names.size(); ++i) {
      stream << osc::BeginMessage("/bone") << names[i].c_str();
      for (const std::vector<float>& component : bones.transforms) {
        stream << component[i];
      }
      stream << osc::EndMessage;
    }
    stream << osc::EndBundle;
    length = stream.Size();
    return length > 0;
  }
  bool Read() {
    const osc::ReceivedPacket packet(buffer.data(),
                                     static_cast<osc::osc_bundle_element_size_t>(length));
    const osc::ReceivedBundle bundle(packet);
    std::size_t bone = 0;
    for (auto element = bundle.ElementsBegin(); element != bundle.ElementsEnd(); ++element) {
      osc::ReceivedMessageArgumentStream arguments =
          osc::ReceivedMessage(*element).ArgumentStream();
      const char* name = nullptr;
      arguments >> name;
      for (std::size_t k = 0; k < 7; ++k) {
        arguments >> read[7 * bone + k];
      }
      arguments >> osc::EndMessage;
      ++bone;
    }
    return bone == names.size();
  }
};

void RegisterOscpack() {
  auto frame = std::make_shared<OscFrame>();
  frame->Build();
  RegisterPeer(PeerName("oscpack", "build"), frame->length, [frame] { return frame->Build(); });
  RegisterPeer(PeerName("oscpack", "read"), frame->length, [frame] {
    try {
      return frame->Read();
    } catch (const osc::Exception&) {
      return false;
    }
  });
}
#endif

#ifdef RAVUNA_BENCH_FLATBUFFERS
struct FlatFrame {
  calls::Bones bones = BoneInputs(kHumanoidBones).frame.bones;
  flatbuffers::FlatBufferBuilder builder{4096};
  std::vector<ravuna_bench_peer::Bone> read = std::vector<ravuna_bench_peer::Bone>(kHumanoidBones);
  std::vector<std::uint8_t> received;
  calls::FrameData arrays = FrameArrays(kHumanoidBones).values;

  bool Build() {
    builder.Clear();
    const std::uint8_t timecode[6] = {1, 2, 3, 4, 5, 1};
    const auto timecodeVector = builder.CreateVector(timecode, 6);
    ravuna_bench_peer::Bone* out = nullptr;
    const auto boneVector =
        builder.CreateUninitializedVectorOfStructs(static_cast<std::size_t>(bones.count), &out);
    const auto& t = bones.transforms;
    for (std::size_t i = 0; i < static_cast<std::size_t>(bones.count); ++i) {
      out[i] = ravuna_bench_peer::Bone(static_cast<std::int16_t>(bones.ids[i]), t[0][i], t[1][i],
                                       t[2][i], t[3][i], t[4][i], t[5][i], t[6][i]);
    }
    builder.Finish(
        ravuna_bench_peer::CreateFrame(builder, 1234, 0.5F, 1.25, timecodeVector, boneVector));
    return builder.GetSize() > 0;
  }
  // The received frame, or null when it fails the verifier.
  const ravuna_bench_peer::Frame* Verified() const {
    flatbuffers::Verifier verifier(received.data(), received.size());
    if (!ravuna_bench_peer::VerifyFrameBuffer(verifier)) {
      return nullptr;
    }
    return ravuna_bench_peer::GetFrame(received.data());
  }
  bool VerifyAndRead() {
    const ravuna_bench_peer::Frame* frame = Verified();
    if (frame == nullptr) {
      return false;
    }
    const auto* boneVector = frame->bones();
    const auto* timecode = frame->timecode();
    if (boneVector == nullptr || timecode == nullptr || timecode->size() < 6) {
      return false;
    }
    for (flatbuffers::uoffset_t i = 0; i < boneVector->size(); ++i) {
      read[i] = *boneVector->Get(i);
    }
    benchmark::DoNotOptimize(frame->frame_number() + timecode->Get(5));
    return boneVector->size() == read.size();
  }
  // Every value into a caller's structure of arrays, the one the Arrays
  // exports write.
  bool VerifyAndReadArrays() {
    const ravuna_bench_peer::Frame* frame = Verified();
    if (frame == nullptr) {
      return false;
    }
    const auto* boneVector = frame->bones();
    const auto* timecode = frame->timecode();
    if (boneVector == nullptr || timecode == nullptr || timecode->size() < 6 ||
        boneVector->size() > arrays.bones.ids.size()) {
      return false;
    }
    arrays.frameNumber = frame->frame_number();
    arrays.time = frame->time();
    arrays.uttm = frame->uttm();
    for (flatbuffers::uoffset_t k = 0; k < 5; ++k) {
      arrays.timecode[k] = timecode->Get(k);
    }
    arrays.timecodeFlag = timecode->Get(5) != 0;
    auto& t = arrays.bones.transforms;
    for (flatbuffers::uoffset_t i = 0; i < boneVector->size(); ++i) {
      const ravuna_bench_peer::Bone* bone = boneVector->Get(i);
      arrays.bones.ids[i] = bone->id();
      t[0][i] = bone->rotation0();
      t[1][i] = bone->rotation1();
      t[2][i] = bone->rotation2();
      t[3][i] = bone->rotation3();
      t[4][i] = bone->translation0();
      t[5][i] = bone->translation1();
      t[6][i] = bone->translation2();
    }
    arrays.bones.count = static_cast<int>(boneVector->size());
    benchmark::DoNotOptimize(arrays.bones.ids.data());
    return true;
  }
};

void RegisterFlatBuffers() {
  auto frame = std::make_shared<FlatFrame>();
  frame->Build();
  frame->received.assign(frame->builder.GetBufferPointer(),
                         frame->builder.GetBufferPointer() + frame->builder.GetSize());
  RegisterPeer(PeerName("flatbuffers", "build"), frame->received.size(),
               [frame] { return frame->Build(); });
  RegisterPeer(PeerName("flatbuffers", "verify+read"), frame->received.size(),
               [frame] { return frame->VerifyAndRead(); });
  RegisterPeer(PeerName("flatbuffers", "verify+read-arrays"), frame->received.size(),
               [frame] { return frame->VerifyAndReadArrays(); });
}
#endif

}  // namespace

void RegisterPeerBenchmarks() {
#ifdef RAVUNA_BENCH_OSCPACK
  RegisterOscpack();
#endif
#ifdef RAVUNA_BENCH_FLATBUFFERS
  RegisterFlatBuffers();
#endif
}

}  // namespace ravuna_bench
