// Documents the fast read refuses but the general walk reads to the same
// values: the writers' bytes with two sibling boxes swapped. A box's header
// sits where the fast read expects another code, so it steps aside and the
// general walk, which pairs boxes by code and order, reads every value.
#pragma once

#include "sample_documents.h"

namespace ravuna_bench {

// "bnid" and "pbid" of the first bone swapped. Needs at least one bone.
Bytes GeneralSkeletonDocument(const BoneInputs& bones);

// "fnum" and "time" of "fram" swapped.
Bytes GeneralFrameDocument(const BoneInputs& bones);

}  // namespace ravuna_bench
