#pragma once
#include <vector>

#include "core/ColourEffect.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"

// The About window: the tool's name, its own version, the maker, a note on
// where to report faults, and the "Life with colors :)" effect that keeps
// giving the labels random text colours until it is switched off.
class TFAbout : public Form {
 public:
  TFAbout();

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void FormCreate();
  void bMagicClick();
  void bOKClick();
  void tMagicColorTimer();

  void SetFonts();
  HBRUSH LabelColours(HWND control, HDC dc) const;

  // The window's labels in control order, and the text colour of each.
  std::vector<HWND> labels_;
  std::vector<COLORREF> colours_;

  ColourTimer magic_;

  FontHandle bigFont_;
  FontHandle titleFont_;
};

extern TFAbout* FAbout;
