// Raw input for tests: the raw input component's seam answered with
// devices and inputs made up by the test, as the system would hand them over.
#pragma once

#include <windows.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "Seams.h"
#include "services/RawPedals.h"

namespace testing_support {

// Raw input as the system would hand it over: inputs and devices by handle.
class RawInput {
public:
  void AddHid(HANDLE device, USHORT vendor, USHORT product, std::vector<BYTE> preparsed = {}) {
    RID_DEVICE_INFO info{sizeof info, RIM_TYPEHID};
    info.hid.dwVendorId = vendor;
    info.hid.dwProductId = product;
    devices[device] = {std::vector<BYTE>(reinterpret_cast<BYTE*>(&info), reinterpret_cast<BYTE*>(&info + 1)),
                       std::move(preparsed)};
  }
  // An input of `count` reports of `reportSize` bytes each, `bytes` all of them.
  HRAWINPUT Input(HANDLE device, DWORD reportSize, DWORD count, const std::vector<BYTE>& bytes) {
    RAWINPUT r{};
    const size_t offset = r.data.hid.bRawData - reinterpret_cast<BYTE*>(&r);
    r.header = {RIM_TYPEHID, static_cast<DWORD>(offset + bytes.size()), device, RIM_INPUTSINK};
    r.data.hid.dwSizeHid = reportSize;
    r.data.hid.dwCount = count;
    const auto h = reinterpret_cast<HRAWINPUT>(static_cast<INT_PTR>(0x1000 + inputs.size()));
    inputs[h].assign(reinterpret_cast<BYTE*>(&r), reinterpret_cast<BYTE*>(&r) + offset);
    inputs[h].insert(inputs[h].end(), bytes.begin(), bytes.end());
    return h;
  }

private:
  // The size protocol of both calls: no buffer asks for the size.
  static UINT Answer(const std::vector<BYTE>& bytes, void* data, UINT* size) {
    const auto n = static_cast<UINT>(bytes.size());
    if (!data || *size < n) return *size = n, data ? static_cast<UINT>(-1) : 0;
    std::memcpy(data, bytes.data(), n);
    return n;
  }

  std::map<HRAWINPUT, std::vector<BYTE>> inputs;
  std::map<HANDLE, std::pair<std::vector<BYTE>, std::vector<BYTE>>> devices;  // the information, preparsed data
  ScopedSeam<&services::SetRawInputCalls, services::RawInputCalls> seam_{services::RawInputCalls{
      [this](HRAWINPUT h, UINT, void* data, UINT* size, UINT) { return Answer(inputs[h], data, size); },
      [this](HANDLE device, UINT command, void* data, UINT* size) {
        if (!devices.count(device)) return static_cast<UINT>(-1);
        const auto& [info, preparsed] = devices[device];
        return Answer(command == RIDI_PREPARSEDDATA ? preparsed : info, data, size);
      }}};
};

}  // namespace testing_support
