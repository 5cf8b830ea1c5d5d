#include "document/table_export.h"

#include <optional>

#include "document/report_file.h"
#include "output/csv_table.h"

namespace tarnevo::doc {

std::string ExportFailureMessage(const std::string& path, std::string_view reason) {
    return "The table could not be exported to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

bool ExportTable(const Document& document, port::UserInterfacePort& ui) {
    if (document.readyForCalculation) return false;
    port::SaveFileRequest request;
    request.caption = "Export Table";
    request.initialName = kCsvFileName;
    request.defaultExtension = "csv";
    request.filter = kCsvFilter;
    const std::optional<std::string> path = ui.AskSaveFileName(request);
    if (!path) return false;
    if (auto reason = WriteFileSafely(*path, output::ComposeCsv(document.state))) {
        port::ShowError(ui, ExportFailureMessage(*path, *reason), port::MessageModality::Application);
        return false;
    }
    return true;
}

}  // namespace tarnevo::doc
