// The drawing layer in one include.
#pragma once

#include "platform/qd/bottleneck.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/pictures.h"
#include "platform/qd/png.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/random.h"
#include "platform/qd/qdtypes.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
