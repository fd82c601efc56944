// Negotiation of wave formats with the audio compression manager: what a
// codec suggests for a source and a template, and a chain of formats that
// ACM can convert through.
#pragma once

#include <memory>

#include "audio/UDSWaveFormat.h"

class HDSACMFormat {
public:
  using PFormat = std::unique_ptr<TDSWaveFormat>;

  // The codecs' completion of `tmpl` for `source`, keeping the template's
  // defined key fields; nothing when no codec offers one or when ACM cannot
  // open a conversion from the source to it.
  static PFormat Suggest(const TDSWaveFormat& source, const TDSWaveFormat& tmpl);
  static PFormat _Suggest(const TDSWaveFormat& source, const TDSWaveFormat& tmpl);
  // The PCM format a non-PCM source decodes to.
  static PFormat _SuggestPCM(const TDSWaveFormat& source);
  // The PCM form of a non-PCM source, with the layout of `target` if possible.
  static PFormat _MultiSuggestPCM(const TDSWaveFormat& source, const TDSWaveFormat& target);
  // A PCM format near `source` from which ACM produces the kind of `tmpl`.
  static PFormat _QueryPCM(const TDSWaveFormat& tmpl, const TDSWaveFormat& source);

  // Steps along 8000, 11025, 22050, 44100 Hz; 8 and 16 bits; 1 and 2
  // channels. Each returns whether it changed the format.
  static bool _IncreaseFrequency(TDSWaveFormat& format);
  static bool _DecreaseFrequency(TDSWaveFormat& format);
  static bool _IncreaseBitsPerSample(TDSWaveFormat& format);
  static bool _DecreaseBitsPerSample(TDSWaveFormat& format);
  static bool _IncreaseChannels(TDSWaveFormat& format);
  static bool _DecreaseChannels(TDSWaveFormat& format);
  static bool _IncreasePCMFormat(TDSWaveFormat& format);
  static bool _DecreasePCMFormat(TDSWaveFormat& format);

  // The formats after `source` in conversion order (empty when the source is
  // already what the template asks for), or nothing when there is no path.
  static std::unique_ptr<TDSWaveFormatList> BuildConversionPath(const TDSWaveFormat& source,
                                                                const TDSWaveFormat& tmpl);

  // Whether ACM can open a conversion stream from `from` to `to`.
  static bool CanConvert(const TDSWaveFormat& from, const TDSWaveFormat& to);
};
