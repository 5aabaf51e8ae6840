#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "config/template_config.h"

class QWidget;

namespace kx {

// A script read back from a DLL, and the template entry it was built for.
struct ReadBackScript {
  QByteArray text;
  TemplateConfig entry;
};

// Reads the DLL at `path`, built by Kestrix, back into a script: asks which
// entry of Kestrix.conf it was built for (the first proposed). Nothing when
// the user cancels, or when it cannot be read back; then the reason has been
// shown.
std::optional<ReadBackScript> Read_Back_Dll(QWidget* parent, const QString& path);

// True for a name that Open reads back as a DLL rather than as a script.
bool Is_Dll_Name(const QString& path);

}  // namespace kx
