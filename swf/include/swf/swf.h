#pragma once

// The whole SWF writer.
#include <swf/action.h>
#include <swf/bitmap.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/shape.h>
#include <swf/sound.h>
#include <swf/stream.h>
#include <swf/tag.h>
#include <swf/trace.h>
#include <swf/twips.h>
