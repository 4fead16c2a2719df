#pragma once
// Lines listed many at a time from bytes read: one wide look for the line end of each.

#include "paths/SimdPath.h"
#include "read/LineSpans.h"

#include <cstddef>

// Lists the lines of bytes [from, end) of `base` into `lines` as LineReader hands them out: each
// ends at CR, LF or CR LF; a CR as the last byte ends one only `atEnd`; at most `keep` bytes of
// each are kept (0: all). Takes lines of at most 64 bytes, none whose kept bytes pass
// `mostKept`, at most `most` (1..LineSpans::Most); stops before the first it does not take. Returns where the
// lines taken end, past the last one's line end. LineSpans::ReadablePast bytes past `end` must be
// readable.
using LineLister = size_t (*)(const char *base, size_t from, size_t end, bool atEnd, size_t keep, size_t most,
                              size_t mostKept, LineSpans &lines);

// The lister of vector path `path` (every path has one).
LineLister lineListerFor(SimdPath path);

// The first CR or LF in [from, to), or `to`. LineSpans::ReadablePast bytes past `to` must be
// readable.
using LineEndFinder = const char *(*)(const char *from, const char *to);

// The finder of vector path `path` (every path has one).
LineEndFinder lineEndFinderFor(SimdPath path);
