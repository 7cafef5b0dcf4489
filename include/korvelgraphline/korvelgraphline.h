// KorvelGraphLine: bar and line charts as BMP files, and the raster image
// component beneath them. Including this header gives the whole public API:
// the C chart entry points and everything in namespace korvel.
#ifndef KORVELGRAPHLINE_KORVELGRAPHLINE_H_
#define KORVELGRAPHLINE_KORVELGRAPHLINE_H_

#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/bmp_probe.h"
#include "korvelgraphline/bmp_reader.h"
#include "korvelgraphline/graph.h"
#include "korvelgraphline/palette.h"
#include "korvelgraphline/pixel_copy.h"
#include "korvelgraphline/raster_image.h"
#include "korvelgraphline/rescale.h"

#endif  // KORVELGRAPHLINE_KORVELGRAPHLINE_H_
