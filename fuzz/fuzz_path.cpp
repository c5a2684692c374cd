// The path parts every window builds its file names from. The installation
// directory comes from the registry or a file dialog and may hold anything;
// the parts must always make up the path again. Checked without a
// double-byte code page and with code page 932.
#include "FuzzInput.h"
#include "core/Text.h"

namespace {

bool EndsInLeadByte(std::string_view path, LeadBytePredicate isLeadByte) {
  if (!isLeadByte) return false;
  for (size_t i = 0; i < path.size(); ++i)
    if (isLeadByte(static_cast<unsigned char>(path[i]))) {
      if (i + 1 == path.size()) return true;
      ++i;
    }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view path = fuzz::Bytes(data, size);
  for (LeadBytePredicate isLeadByte : {static_cast<LeadBytePredicate>(nullptr), &fuzz::IsLeadByte932}) {
    SetLeadBytePredicate(isLeadByte);
    const std::string dir = ExtractFileDir(path);
    const std::string name = ExtractFileName(path);
    const std::string ext = ExtractFileExt(path);

    fuzz::Check(path.ends_with(name), "the name is not the end of the path");
    fuzz::Check(path.starts_with(dir), "the directory is not the start of the path");
    // Between them at most the one separator that was dropped.
    fuzz::Check(dir.size() + name.size() <= path.size() && path.size() - dir.size() - name.size() <= 1,
                "the directory and the name do not make up the path");
    fuzz::Check(name.ends_with(ext) && ext.find('.') == std::string::npos, "the extension is not the name's end");

    const std::string withSeparator = IncludeTrailingSeparator(path);
    // A path cut off after a lead byte pairs that byte with the '\' added,
    // as Windows itself reads it; only a whole path gains a separator.
    if (!EndsInLeadByte(path, isLeadByte))
      fuzz::Check(EndsWithSeparator(withSeparator), "a separator added is not seen");
    fuzz::Check(withSeparator.starts_with(path) && withSeparator.size() - path.size() <= 1,
                "more than a separator was added");
    if (!EndsInLeadByte(path, isLeadByte))
      fuzz::Check(IncludeTrailingSeparator(withSeparator) == withSeparator, "a second separator was added");
    fuzz::Check(UpperAscii(path).size() == path.size(), "upper-casing changed the length");

    // The root of an absolute path is a part of it, and only a path with a
    // root names something below one.
    const size_t root = AbsoluteRootLength(path);
    fuzz::Check(root <= path.size(), "the root is longer than the path");
    fuzz::Check(root == 0 || root >= 3, "a root shorter than \"X:\\\"");
    if (NamesBelowRoot(path)) fuzz::Check(root != 0 && root < path.size(), "below a root without one");
  }
  SetLeadBytePredicate(nullptr);
  return 0;
}
