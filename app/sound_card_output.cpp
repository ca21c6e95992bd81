#include "app/sound_card_output.h"

#include <algorithm>

#include <QAudioSink>
#include <QMediaDevices>

namespace orvelle {

namespace {
constexpr int kSampleRate = 8000;
constexpr int kBytesPerSample = 2;
}  // namespace

std::unique_ptr<AudioOutput> SoundCardOutput::openDefault() {
  if (QMediaDevices::audioOutputs().isEmpty()) return nullptr;
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  QAudioFormat format;
  format.setSampleRate(kSampleRate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (device.isNull() || !device.isFormatSupported(format)) return nullptr;
  return std::make_unique<SoundCardOutput>(device, format);
}

SoundCardOutput::SoundCardOutput(const QAudioDevice& device, const QAudioFormat& format)
    : device_(device), format_(format) {}

SoundCardOutput::~SoundCardOutput() { stop(); }

void SoundCardOutput::play(std::span<const std::int16_t> samples, std::int64_t from) {
  stop();
  from = std::clamp<std::int64_t>(from, 0, static_cast<std::int64_t>(samples.size()));
  // The buffer reads the caller's samples in place; they outlive the playback.
  buffer_.setData(QByteArray::fromRawData(reinterpret_cast<const char*>(samples.data() + from),
                                          static_cast<qsizetype>(samples.size() - from) * kBytesPerSample));
  buffer_.open(QIODevice::ReadOnly);
  from_ = from;
  sink_ = std::make_unique<QAudioSink>(device_, format_);
  sink_->start(&buffer_);
}

void SoundCardOutput::stop() {
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
  buffer_.close();
}

bool SoundCardOutput::playing() const {
  // The sink falls idle once the buffer has run dry.
  return sink_ && sink_->state() == QAudio::ActiveState;
}

std::int64_t SoundCardOutput::position() const {
  if (!sink_) return from_;
  // What was handed to the device less what still waits in its buffer.
  const std::int64_t handed = sink_->processedUSecs() * kSampleRate / 1000000;
  const std::int64_t queued = (sink_->bufferSize() - sink_->bytesFree()) / kBytesPerSample;
  return from_ + std::max<std::int64_t>(0, handed - queued);
}

}  // namespace orvelle
