#include "config/template_config.h"

#include <algorithm>

namespace kx {

int Compare_Template_Names(const TemplateConfig& a, const TemplateConfig& b) {
  const std::size_t shorter = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < shorter; ++i) {
    const auto ca = static_cast<unsigned char>(a.name[i]);
    const auto cb = static_cast<unsigned char>(b.name[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.name.size() == b.name.size()) return 0;
  return a.name.size() < b.name.size() ? -1 : 1;
}

const TemplateConfig* TemplateList::Find_By_Name(const std::string& name) const {
  TemplateConfig probe;
  probe.name = name;
  return Find(probe);
}

}  // namespace kx
