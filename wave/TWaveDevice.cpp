#include "wave/TWaveDevice.h"

namespace wave {

TWaveDevice::TWaveDevice(bool input)
    : input_(input),
      format_(wave::DeviceFormat(samples_, stereo_, bits_)),
      mixer_([this] { MixerChanged(); }),
      thread_(std::make_unique<TWaveThread>([this](UINT code, WAVEHDR* header) { OnNotification(code, header); },
                                            [this](const std::string& what) { ReportFailure(what); })) {
  SetDeviceID(PreferredDevice());
}

TWaveDevice::~TWaveDevice() { EndWorker(); }

void TWaveDevice::EndWorker() {
  mixer_.Close();
  TWaveThread::End(std::move(thread_));
}

void TWaveDevice::ReportFailure(const std::string& what) {
  if (OnFailure)
    OnFailure(what);
  else
    ::OutputDebugStringA(("wave component: " + what + "\n").c_str());
}

int32_t TWaveDevice::PreferredDevice() const { return input_ ? PreferredInputDevice() : PreferredOutputDevice(); }

void TWaveDevice::SetDeviceID(int32_t value) {
  deviceId_ = value;
  mixer_.Close();
  const int32_t watched = value == -1 ? PreferredDevice() : value;
  if (watched != -1) mixer_.Open(watched, input_);
}

void TWaveDevice::SetSamples(TSamples value) {
  samples_ = value;
  format_ = wave::DeviceFormat(samples_, stereo_, bits_);
}

void TWaveDevice::SetStereo(TStereo value) {
  stereo_ = value;
  format_ = wave::DeviceFormat(samples_, stereo_, bits_);
}

void TWaveDevice::SetBits(TBits value) {
  bits_ = value;
  format_ = wave::DeviceFormat(samples_, stereo_, bits_);
}

}  // namespace wave
