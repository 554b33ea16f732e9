#include "engine/PortAudioSink.h"

#include "engine/Playhead.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <cstdarg>

namespace telbo::engine {

namespace {
void QuietAlsa(const char*, int, const char*, int, const char*, ...) noexcept {}
void QuietJack(const char*) noexcept {}

int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
             PaStreamCallbackFlags, void* self) noexcept {
    static_cast<PortAudioSink*>(self)->Fill(static_cast<float*>(output), frames);
    return paContinue;
}
} // namespace

std::shared_ptr<PortAudioSystem> PortAudioSystem::Start() noexcept {
    // Without these, every start prints dozens of lines about absent devices.
    snd_lib_error_set_handler(&QuietAlsa);
    jack_set_error_function(&QuietJack);
    jack_set_info_function(&QuietJack);
    if (Pa_Initialize() != paNoError) return nullptr;
    try {
        return std::shared_ptr<PortAudioSystem>(new PortAudioSystem);
    } catch (...) {
        Pa_Terminate();
        return nullptr;
    }
}

PortAudioSystem::~PortAudioSystem() { Pa_Terminate(); }

PortAudioSink::PortAudioSink(std::shared_ptr<PortAudioSystem> system, Playhead& playhead) noexcept
    : system_(std::move(system)), playhead_(playhead) {}

std::unique_ptr<PortAudioSink> PortAudioSink::Open(std::shared_ptr<PortAudioSystem> system,
                                                   Playhead& playhead) noexcept {
    if (!system) return nullptr;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) return nullptr;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 1) return nullptr;

    PaStreamParameters out{};
    out.device = device;
    out.channelCount = info->maxOutputChannels >= 2 ? 2 : 1;
    out.sampleFormat = paFloat32;
    out.suggestedLatency = info->defaultHighOutputLatency;

    std::unique_ptr<PortAudioSink> sink;
    try {
        sink.reset(new PortAudioSink(std::move(system), playhead));
    } catch (...) {
        return nullptr;
    }
    // Most MP3s are 44.1 kHz: play them without resampling when the device allows.
    for (const double rate : {44100.0, info->defaultSampleRate}) {
        if (Pa_IsFormatSupported(nullptr, &out, rate) != paFormatIsSupported) continue;
        PaStream* stream = nullptr;
        if (Pa_OpenStream(&stream, nullptr, &out, rate, paFramesPerBufferUnspecified, paNoFlag,
                          &Callback, sink.get()) != paNoError)
            continue;
        sink->stream_ = stream;
        sink->rate_ = static_cast<int>(rate);
        sink->channels_ = out.channelCount;
        if (Pa_StartStream(stream) == paNoError) return sink;
        Pa_CloseStream(stream);
        sink->stream_ = nullptr;
    }
    return nullptr;
}

PortAudioSink::~PortAudioSink() {
    if (!stream_) return;
    auto* stream = static_cast<PaStream*>(stream_);
    Pa_AbortStream(stream);
    Pa_CloseStream(stream);
}

void PortAudioSink::Fill(float* out, unsigned long frames) noexcept {
    playhead_.Render(this, out, frames, channels_);
}

} // namespace telbo::engine
