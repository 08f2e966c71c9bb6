// Placeholders for the dialog, probe and power actions of a task until
// their real definitions exist: each does nothing and answers "could not".
#include "task.h"

namespace upd {

uint32_t CTask::ShowMessageBox() { return kTaskFailed; }
void CTask::ExitWindowsTask(uint32_t) {}
uint32_t CTask::OpenUrl() { return 0; }
uint32_t CTask::IsWow64() { return 0; }
uint32_t CTask::CheckBaseBoard() { return kTaskFailed; }
uint32_t CTask::CheckDiskDrive(const std::wstring&) { return kTaskFailed; }
uint32_t CTask::ShowTaskDialog() { return kTaskFailed; }
uint32_t CTask::ParseFlagNames(const FlagNameEntry*, const std::wstring&) { return 0; }
uint32_t CTask::CompareBaseBoardText(const std::wstring&, const std::wstring&) { return kTaskFailed; }
uint32_t CTask::RemoveOwnFolderAtReboot() { return 0; }
void CTask::DeleteFolderContents(const std::wstring&) {}
void CTask::ActivateDialog() { BringOwnerToFront(); }

}  // namespace upd
