#pragma once

#include <memory>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QBuffer>

#include "app/audio_output.h"

class QAudioSink;

namespace orvelle {

// Speech played on a sound output device through Qt Multimedia.
class SoundCardOutput : public AudioOutput {
 public:
  // The system's default output, or null when the machine has none (or it
  // cannot take 8000 Hz mono 16-bit samples).
  static std::unique_ptr<AudioOutput> openDefault();

  SoundCardOutput(const QAudioDevice& device, const QAudioFormat& format);
  ~SoundCardOutput() override;

  void play(std::span<const std::int16_t> samples, std::int64_t from) override;
  void stop() override;
  bool playing() const override;
  std::int64_t position() const override;

 private:
  QAudioDevice device_;
  QAudioFormat format_;
  QBuffer buffer_;
  std::unique_ptr<QAudioSink> sink_;
  std::int64_t from_ = 0;
};

}  // namespace orvelle
