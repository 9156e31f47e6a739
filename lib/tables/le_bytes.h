// The table builder's little-endian helpers are the host library's byte-order helpers.
#pragma once

#include "transport/byte_order.h"

namespace tables {

using transport::GetLe16;
using transport::GetLe32;
using transport::GetLe64;
using transport::PutLe16;
using transport::PutLe32;
using transport::PutLe64;

}  // namespace tables
