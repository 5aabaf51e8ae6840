#include "app/build_objects.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <memory>

#include "app/program_files.h"
#include "diagnostics/error_sink.h"

namespace kx {
namespace {

void Add_To_Build_List(const std::string& entry) {
  if (g_pBuildList) g_pBuildList->addItem(Decode_Entry(entry));
}

}  // namespace

// Defined in dependency order, in this one file, so they are built in order.
QPointer<QListWidget> g_pBuildList;
ErrorContext g_BuildErrorContext(kBuildLogWidth, std::make_unique<ListSink>(true, Add_To_Build_List));
ErrorContext g_BuildNoticeContext(kBuildLogWidth, std::make_unique<ListSink>(false, Add_To_Build_List));
ErrorContext g_LogErrorContext(kConfigurationLogWidth,
                               std::make_unique<LogFileSink>(true, std::filesystem::path()));
ErrorContext g_LogNoticeContext(kConfigurationLogWidth,
                                std::make_unique<LogFileSink>(false, std::filesystem::path()));
TemplateConfigParser g_TemplateConfigParser(g_LogErrorContext, g_LogNoticeContext);
VMObject g_VMObject(g_BuildErrorContext, g_BuildNoticeContext, g_TemplateConfigParser);
VMOpcode g_OperationCatalogue(g_LogErrorContext);

void Attach_Log_File() {
  const std::filesystem::path path = QFileInfo(Log_File_Path()).filesystemFilePath();
  for (ErrorContext* context : {&g_LogErrorContext, &g_LogNoticeContext})
    static_cast<LogFileSink&>(context->sink()).Set_Path(path);
}

QString Decode_Entry(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return text;
}

}  // namespace kx
