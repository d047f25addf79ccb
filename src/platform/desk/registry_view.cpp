#include "platform/desk/registry_view.h"

#include <array>
#include <vector>

#include "platform/desk/text_case.h"

namespace orvabridge::platform::desk {
namespace {

constexpr std::string_view kRedirectNode = "WOW6432Node";
constexpr std::array<std::string_view, 5> kRedirectedClassKeys = {
    "clsid", "interface", "directshow", "media type", "mediafoundation"};

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "\\") + part;
  return path;
}

bool IsRedirectedClassKey(const std::string& part) {
  const std::string lower = Lower(part);
  for (std::string_view key : kRedirectedClassKeys) {
    if (lower == key) return true;
  }
  return false;
}

}  // namespace

std::string ThirtyTwoBitViewPath(RegistryRoot root, std::string_view path) {
  std::vector<std::string> parts = Components(path);
  if (parts.size() < 2 || Lower(parts[0]) != "software") return std::string(path);
  const bool classes = Lower(parts[1]) == "classes";
  if (classes) {
    if (parts.size() < 3 || !IsRedirectedClassKey(parts[2])) return std::string(path);
    parts.insert(parts.begin() + 2, std::string(kRedirectNode));
    return Joined(parts);
  }
  if (root != RegistryRoot::kLocalMachine || Lower(parts[1]) == Lower(kRedirectNode)) {
    return std::string(path);
  }
  parts.insert(parts.begin() + 1, std::string(kRedirectNode));
  return Joined(parts);
}

}  // namespace orvabridge::platform::desk
