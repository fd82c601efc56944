#include "player/AudioDevices.h"

#include "player/PlayerError.h"

std::vector<std::wstring> AudioDeviceNames;
std::vector<std::wstring> AudioDeviceClsids;

namespace {

using player::ComPtr;

// The monikers the lists were filled from, each with the entry it was listed
// as; one is used only while its entry is still the same.
struct KnownDevice {
  ComPtr<IMoniker> moniker;
  std::wstring name;
  std::wstring clsid;
};
std::vector<KnownDevice> deviceMonikers;
bool comInitialised = false;

// Reads a text property; false when the bag has none.
bool ReadText(IPropertyBag* bag, const wchar_t* name, std::wstring& out) {
  VARIANT v;
  ::VariantInit(&v);
  bool ok = SUCCEEDED(bag->Read(name, &v, nullptr)) && v.vt == VT_BSTR && v.bstrVal;
  if (ok) out.assign(v.bstrVal, ::SysStringLen(v.bstrVal));
  ::VariantClear(&v);
  return ok;
}

}  // namespace

int DeviceIndexOf(const std::wstring& name) {
  if (name.empty()) return 0;
  for (size_t i = 0; i < AudioDeviceNames.size(); ++i)
    if (AudioDeviceNames[i] == name) return static_cast<int>(i);
  return 0;
}

void EnumerateAudioDevices() {
  AudioDeviceNames.clear();
  AudioDeviceClsids.clear();
  deviceMonikers.clear();

  ComPtr<ICreateDevEnum> devices;
  CheckResult(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                 IID_PPV_ARGS(&devices)));
  ComPtr<IEnumMoniker> category;
  CheckResult(devices->CreateClassEnumerator(CLSID_AudioRendererCategory, &category, 0));
  if (!category) return;  // an empty category hands out no enumerator

  ComPtr<IMoniker> moniker;
  while (category->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) break;
    std::wstring clsid;
    if (!ReadText(bag.Get(), L"CLSID", clsid)) continue;
    std::wstring name;
    if (!ReadText(bag.Get(), L"FriendlyName", name)) name = clsid;
    AudioDeviceClsids.push_back(clsid);
    AudioDeviceNames.push_back(name);
    deviceMonikers.push_back({moniker, name, clsid});
  }
}

ComPtr<IBaseFilter> CreateAudioDeviceFilter(int index) {
  ComPtr<IBaseFilter> filter;
  const size_t i = static_cast<size_t>(index);
  if (index < 0 || i >= AudioDeviceClsids.size()) throw PlayerError(player_text::kInvalidDevice);
  if (i < deviceMonikers.size() && i < AudioDeviceNames.size() && deviceMonikers[i].name == AudioDeviceNames[i] &&
      deviceMonikers[i].clsid == AudioDeviceClsids[i] &&
      SUCCEEDED(deviceMonikers[i].moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter))))
    return filter;
  CLSID clsid;
  CheckResult(::CLSIDFromString(AudioDeviceClsids[i].c_str(), &clsid));
  CheckResult(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)));
  return filter;
}

void InitPlayerModule() {
  if (!comInitialised) {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already initialised on this thread, which still wants its
    // matching uninitialisation. RPC_E_CHANGED_MODE leaves COM usable as it is.
    comInitialised = SUCCEEDED(hr);
  }
  EnumerateAudioDevices();
}

void DonePlayerModule() {
  deviceMonikers.clear();
  AudioDeviceNames.clear();
  AudioDeviceClsids.clear();
  if (comInitialised) ::CoUninitialize();
  comInitialised = false;
}
