#pragma once
// The whole COM layer in one include.
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Dispatch.h"
#include "platform/com/ErrorInfo.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/com/OleObject.h"
#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"
