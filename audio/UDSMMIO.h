// Multimedia file I/O: an open mmio handle with its chunk operations, a
// custom I/O procedure that runs mmio over any TDSStream, and a stream over
// an open handle.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <string>

#include "audio/UDSStream.h"
#include "base/WinHandles.h"

// One chunk header as mmio reads and writes it.
struct TDSRiffChunk {
  MMCKINFO Info{};

  TDSRiffChunk(FOURCC id, FOURCC formType) {
    Info.ckid = id;
    Info.fccType = formType;
  }
  // The chunk's data: Length is the chunk size, Base its offset.
  TDSRange DataRange() const;
};

// Binds the custom I/O procedure of an mmio handle to a stream (not owned).
class TDSMMIOIOProc {
public:
  explicit TDSMMIOIOProc(TDSStream& stream) : Stream(stream) {}
  TDSStream& Stream;
};

class TDSMMIO : public TDSObject {
public:
  // Open mode bits; they may be combined.
  enum : int { omRead = 1, omCreate = 2, omReadWrite = 4 };

  explicit TDSMMIO(HMMIO handle) : handle_(handle) {}
  ~TDSMMIO() override;
  const char* ClassName() const override { return "TDSMMIO"; }
  // Flushes and closes the handle; false when the platform's close failed.
  // Nothing works on the handle afterwards.
  bool Close();

  static std::unique_ptr<TDSMMIO> OpenFile(const std::wstring& name, int mode);
  static std::unique_ptr<TDSMMIO> OpenOnStream(TDSStream& stream, int mode);
  static DWORD OpenFlags(int mode);

  // The platform's -1 raises the precondition error.
  int32_t Read(TDSArea area);
  int32_t Write(TDSArea area);
  int32_t Seek(TDSSeek seek);

  std::unique_ptr<TDSRiffChunk> CreateRiff(FOURCC formType);
  std::unique_ptr<TDSRiffChunk> CreateChunk(const TDSRiffChunk& parent, FOURCC id);
  std::unique_ptr<TDSRiffChunk> DescendRiff(FOURCC formType);
  // Searches from the current position; when absent the position is kept.
  std::unique_ptr<TDSRiffChunk> DescendChunk(const TDSRiffChunk& parent, FOURCC id);
  // The chunk is gone afterwards in every case.
  bool Ascend(std::unique_ptr<TDSRiffChunk> chunk);
  // Bytes in the file, -1 when the stream below cannot tell.
  int64_t EndOffset();

  HMMIO Handle() const { return handle_.get(); }

private:
  std::unique_ptr<TDSMMIOIOProc> ioProc_;
  win::Mmio handle_;
};

// Reads, writes and seeks an open mmio handle.
class TDSMMIOStream : public TDSStream {
public:
  explicit TDSMMIOStream(TDSMMIO& mmio) : mmio_(&mmio) {}
  explicit TDSMMIOStream(std::unique_ptr<TDSMMIO> mmio) : owned_(std::move(mmio)), mmio_(owned_.get()) {}
  const char* ClassName() const override { return "TDSMMIOStream"; }

  static std::unique_ptr<TDSMMIOStream> OpenFile(const std::wstring& name, int mode);
  static std::unique_ptr<TDSMMIOStream> OpenOnStream(TDSStream& stream, int mode);

  int32_t Read(TDSArea area) override { return mmio_->Read(area); }
  int32_t Write(TDSArea area) override { return mmio_->Write(area); }
  bool Seek(TDSSeek seek) override;
  // Closes an owned handle (a referred one stays open).
  bool Finish() override { return owned_ ? owned_->Close() : true; }

  TDSMMIO& MMIO() const { return *mmio_; }

private:
  std::unique_ptr<TDSMMIO> owned_;
  TDSMMIO* mmio_;
};

FOURCC DSFourCC(const wchar_t* code);
