#include "frmKestrel.h"

namespace kestrel {

namespace {

// The one row of all restriction pages that lives under HKEY_LOCAL_MACHINE is row 4.
const RestrictionRow rows[] = {
    {260, HKEY_CURRENT_USER, policy::Explorer, "NoDesktop"},
    {261, HKEY_CURRENT_USER, policy::Explorer, "NoNetHood"},
    {262, HKEY_CURRENT_USER, policy::Explorer, "NoSaveSettings"},
    {263, HKEY_CURRENT_USER, policy::System, "DisableRegistryTools"},
    {264, HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Update", "UpdateMode"},
};

} // namespace

frmKestrel::frmKestrel(QWidget* parent) : RestrictionPage(rows, ColumnLayout{}, parent) {}

} // namespace kestrel
