#pragma once
#include <vector>

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

 private:
  void FormCreate();
  void bMagicClick();
  void bOKClick();
  void tMagicColorTimer();

  void SetFonts();
  void SetMagicInterval(int interval);
  HBRUSH LabelColours(HWND control, HDC dc) const;
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);

  // The window's labels in control order, and the text colour of each.
  std::vector<HWND> labels_;
  std::vector<COLORREF> colours_;

  bool magicOn_ = false;
  int magicInterval_ = 1;
  bool inPass_ = false;

  GdiObject bigFont_;
  GdiObject titleFont_;
};

extern TFAbout* FAbout;
