// Makes sure this process can record: when no installed codec suggests an
// MPEG Layer-3 format for the recording format, the encoder of this folder is
// added as a process-local ACM driver, so that acmFormatSuggest(NULL, ...)
// and acmStreamOpen(NULL, ...) find it as they would an installed one.
#pragma once

namespace codec {

// Call once at start-up (calling again is cheap and adds nothing). True when
// an encoder is available afterwards, installed or ours. With the environment
// variable VOCORDER_NO_MP3_FALLBACK=1 nothing is added, so a machine without
// an encoder behaves as one.
bool EnsureMp3Encoder();

// Whether some codec suggests Layer-3 from mono 8-bit PCM at 11025 Hz, which
// is what the recorder will ask.
bool CanSuggestMp3FromRecordingFormat();

}  // namespace codec

using codec::EnsureMp3Encoder;
