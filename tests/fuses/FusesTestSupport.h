#pragma once
// The fuse files never touch the link: the offline bench and a scratch folder per test serve.

#include "support/OfflineBench.h"

namespace vostrel::test {

using Bench = OfflineBench;

}  // namespace vostrel::test
