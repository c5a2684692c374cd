#pragma once
#include <string>
#include <vector>

#include "Installation.h"
#include "toolkit/Form.h"

// "Run Cantivox with parametrs": the user picks renderer, resolution,
// filtering, two edit-mode settings and any number of switches, and starts
// the game with them. The window stays open for further runs.
class TFRunSpecial : public Form {
 public:
  explicit TFRunSpecial(const Installation& installation);

  // The parameter text for the window's current choices; changes nothing.
  std::string ComposeParameters() const;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void bRunClick();
  void bCancelClick();

  std::vector<std::string> CheckedSwitches() const;
  // The control's tag, stored in the string table beside the hints.
  std::string Tag(int id) const;

  Installation installation_;
};

extern TFRunSpecial* FRunSpecial;
