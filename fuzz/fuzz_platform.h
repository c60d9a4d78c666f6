// The recording platform with limits, so that any script ends: a budget of label passes (every loop passes a
// label), of windows and boxes, and of the message rounds that fin serves while a window is open.
#pragma once

#include "common/halt.h"
#include "tests/support/recording_platform.h"

namespace kal::fuzz {

class FuzzPlatform : public test::RecordingPlatform {
 public:
  FuzzPlatform() { window_closes_after = 5; }
  void pause_milliseconds(int) override {
    if (++pauses_ > 2000) throw Halt{0};
  }
  Answer message_box(std::string_view title, std::string_view text, Buttons buttons) override {
    if (++interactions_ > 200) throw Halt{0};
    events.clear();  // a long run would keep every box
    return RecordingPlatform::message_box(title, text, buttons);
  }
  std::string input_dialog() override {
    if (++interactions_ > 200) throw Halt{0};
    events.clear();
    return "entrada";
  }

 private:
  int pauses_ = 0;
  int interactions_ = 0;
};

}  // namespace kal::fuzz
