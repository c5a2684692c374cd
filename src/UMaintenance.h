#pragma once
#include <string>

#include "Installation.h"
#include "toolkit/Form.h"

// "Maintenance": empties the game's Temp directory and deletes its cover
// cache, whichever the user checked. Closes after "Clear" with anything
// checked.
class TFMaintenance : public Form {
 public:
  explicit TFMaintenance(const Installation& installation);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void bClearClick();
  void bCancelClick();

  // False when the user stopped the clearing.
  bool ClearTempDirectory(const std::string& path);
  void DeleteCoversCache(const std::string& path);

  Installation installation_;
};

extern TFMaintenance* FMaintenance;
