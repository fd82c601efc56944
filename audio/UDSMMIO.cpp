#include "audio/UDSMMIO.h"

#include <exception>

namespace {

// mmio runs this procedure for handles opened on a TDSStream. Exceptions of
// the stream must not cross the platform's frames: they become failures.
LRESULT CALLBACK DSMMIOProc(LPSTR infoText, UINT message, LPARAM param1, LPARAM param2) {
  auto* info = reinterpret_cast<MMIOINFO*>(infoText);
  auto* proc = reinterpret_cast<TDSMMIOIOProc*>(info->adwInfo[0]);
  if (!proc) return 0;
  try {
    switch (message) {
      case MMIOM_READ:
      case MMIOM_WRITE:
      case MMIOM_WRITEFLUSH: {
        TDSArea area(reinterpret_cast<void*>(param1), static_cast<int32_t>(param2));
        int32_t n = message == MMIOM_READ ? proc->Stream.Read(area) : proc->Stream.Write(area);
        if (n != -1) info->lDiskOffset += n;
        return n;
      }
      case MMIOM_SEEK: {
        auto offset = static_cast<int32_t>(param1);
        switch (param2) {
          case SEEK_SET:
            if (!proc->Stream.Seek(TDSSeek(offset, TDSSeek::FromBeginning))) return -1;
            info->lDiskOffset = offset;
            break;
          case SEEK_CUR:
            if (!proc->Stream.Seek(TDSSeek(offset, TDSSeek::FromCurrent))) return -1;
            info->lDiskOffset += offset;
            break;
          case SEEK_END:
            if (!proc->Stream.Seek(TDSSeek(offset, TDSSeek::FromEnd))) return -1;
            info->lDiskOffset = proc->Stream.GetPosition();
            break;
          default:
            return -1;
        }
        return info->lDiskOffset;
      }
      case MMIOM_OPEN:
        info->lDiskOffset = 0;
        return 0;
      case MMIOM_CLOSE:
        // The TDSMMIO that opened the handle owns the binding.
        info->adwInfo[0] = 0;
        return 0;
      default:
        return 0;
    }
  } catch (...) {
    return -1;
  }
}

}  // namespace

FOURCC DSFourCC(const wchar_t* code) { return ::mmioStringToFOURCCW(code, 0); }

TDSRange TDSRiffChunk::DataRange() const {
  return TDSRange(static_cast<int32_t>(Info.cksize), static_cast<int32_t>(Info.dwDataOffset), 0);
}

// ---------------------------------------------------------------------------

TDSMMIO::~TDSMMIO() {
  // A failing close cannot be reported from here; the handle is gone anyway.
  Close();
}

bool TDSMMIO::Close() {
  HMMIO h = handle_.release();
  return !h || ::mmioClose(h, 0) == MMSYSERR_NOERROR;
}

DWORD TDSMMIO::OpenFlags(int mode) {
  DWORD flags = 0;
  if (mode & omRead) flags |= MMIO_READ | MMIO_DENYWRITE;
  if (mode & omCreate) flags |= MMIO_CREATE | MMIO_WRITE | MMIO_EXCLUSIVE;
  if (mode & omReadWrite) flags |= MMIO_READWRITE | MMIO_EXCLUSIVE;
  return flags;
}

std::unique_ptr<TDSMMIO> TDSMMIO::OpenFile(const std::wstring& name, int mode) {
  HMMIO h = ::mmioOpenW(const_cast<LPWSTR>(name.c_str()), nullptr, OpenFlags(mode));
  if (!h) return nullptr;
  return std::make_unique<TDSMMIO>(h);
}

std::unique_ptr<TDSMMIO> TDSMMIO::OpenOnStream(TDSStream& stream, int mode) {
  auto proc = std::make_unique<TDSMMIOIOProc>(stream);
  MMIOINFO info{};
  info.pIOProc = DSMMIOProc;
  info.adwInfo[0] = reinterpret_cast<DWORD_PTR>(proc.get());
  HMMIO h = ::mmioOpenW(nullptr, &info, OpenFlags(mode));
  if (!h) return nullptr;
  auto mmio = std::make_unique<TDSMMIO>(h);
  mmio->ioProc_ = std::move(proc);
  return mmio;
}

int32_t TDSMMIO::Read(TDSArea area) {
  LONG n = ::mmioRead(handle_.get(), reinterpret_cast<HPSTR>(area.Data), area.Size);
  DSRequire(n != -1);
  return n;
}

int32_t TDSMMIO::Write(TDSArea area) {
  LONG n = ::mmioWrite(handle_.get(), reinterpret_cast<const char*>(area.Data), area.Size);
  DSRequire(n != -1);
  return n;
}

int32_t TDSMMIO::Seek(TDSSeek seek) {
  static const int origins[] = {SEEK_SET, SEEK_END, SEEK_CUR};
  LONG p = ::mmioSeek(handle_.get(), seek.Offset, origins[seek.Origin]);
  DSRequire(p != -1);
  return p;
}

int64_t TDSMMIO::EndOffset() {
  LONG here = ::mmioSeek(handle_.get(), 0, SEEK_CUR);
  if (here == -1) return -1;
  LONG end = ::mmioSeek(handle_.get(), 0, SEEK_END);
  DSRequire(::mmioSeek(handle_.get(), here, SEEK_SET) == here);
  return end;
}

std::unique_ptr<TDSRiffChunk> TDSMMIO::CreateRiff(FOURCC formType) {
  auto chunk = std::make_unique<TDSRiffChunk>(FOURCC_RIFF, formType);
  DSRequire(::mmioCreateChunk(handle_.get(), &chunk->Info, MMIO_CREATERIFF) == MMSYSERR_NOERROR);
  return chunk;
}

std::unique_ptr<TDSRiffChunk> TDSMMIO::CreateChunk(const TDSRiffChunk& parent, FOURCC id) {
  auto chunk = std::make_unique<TDSRiffChunk>(id, parent.Info.fccType);
  if (::mmioCreateChunk(handle_.get(), &chunk->Info, 0) != MMSYSERR_NOERROR) return nullptr;
  return chunk;
}

std::unique_ptr<TDSRiffChunk> TDSMMIO::DescendRiff(FOURCC formType) {
  auto chunk = std::make_unique<TDSRiffChunk>(FOURCC_RIFF, formType);
  if (::mmioDescend(handle_.get(), &chunk->Info, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return nullptr;
  return chunk;
}

std::unique_ptr<TDSRiffChunk> TDSMMIO::DescendChunk(const TDSRiffChunk& parent, FOURCC id) {
  // The chunks are walked one by one instead of with MMIO_FINDCHUNK: a
  // corrupt size must not send the search past the end of the file or, by
  // 32-bit wrap-around, back to where it already was.
  const int32_t start = Seek(TDSSeek(0, TDSSeek::FromCurrent));
  int64_t end = EndOffset();
  if (end < 0) end = INT32_MAX;
  int64_t at = start;
  while (at + 8 <= end) {
    MMCKINFO info{};
    if (::mmioDescend(handle_.get(), &info, const_cast<MMCKINFO*>(&parent.Info), 0) != MMSYSERR_NOERROR) break;
    if (info.ckid == id) {
      auto chunk = std::make_unique<TDSRiffChunk>(id, info.fccType);
      chunk->Info = info;
      return chunk;
    }
    int64_t next = static_cast<int64_t>(info.dwDataOffset) + ((static_cast<int64_t>(info.cksize) + 1) & ~int64_t{1});
    if (next <= at || next > end) break;
    at = Seek(TDSSeek(static_cast<int32_t>(next), TDSSeek::FromBeginning));
  }
  DSRequire(Seek(TDSSeek(start, TDSSeek::FromBeginning)) == start);
  return nullptr;
}

bool TDSMMIO::Ascend(std::unique_ptr<TDSRiffChunk> chunk) {
  if (!chunk) return false;
  return ::mmioAscend(handle_.get(), &chunk->Info, 0) == MMSYSERR_NOERROR;
}

// ---------------------------------------------------------------------------

std::unique_ptr<TDSMMIOStream> TDSMMIOStream::OpenFile(const std::wstring& name, int mode) {
  auto mmio = TDSMMIO::OpenFile(name, mode);
  if (!mmio) return nullptr;
  return std::make_unique<TDSMMIOStream>(std::move(mmio));
}

std::unique_ptr<TDSMMIOStream> TDSMMIOStream::OpenOnStream(TDSStream& stream, int mode) {
  auto mmio = TDSMMIO::OpenOnStream(stream, mode);
  if (!mmio) return nullptr;
  return std::make_unique<TDSMMIOStream>(std::move(mmio));
}

bool TDSMMIOStream::Seek(TDSSeek seek) {
  mmio_->Seek(seek);
  return true;
}
