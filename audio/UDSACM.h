// Facts about the installed codecs of the audio compression manager.
#pragma once

#include <cstdint>

class HDSACM {
public:
  // The largest format structure any installed codec can produce.
  static int32_t MaxFormatSize();
};
