// The operations of Update's task record that call Windows live in Update's
// Win32 layer. TaskLint only loads tasks and asks for their next task, so
// here they do nothing and answer "could not".
#include "task.h"

namespace upd {

uint32_t CTask::StartProcess() { return kTaskFailed; }
uint32_t CTask::StartShellExecute() { return kTaskFailed; }
void CTask::BringOwnerToFront() {}
uint32_t CTask::IsWaiting() { return 0; }
void CTask::Activate() {}
uint32_t CTask::ShowMessageBox() { return kTaskFailed; }
void CTask::ExitWindowsTask(uint32_t) {}
uint32_t CTask::OpenUrl() { return 0; }
uint32_t CTask::IsWow64() { return 0; }
uint32_t CTask::CheckBaseBoard() { return kTaskFailed; }
uint32_t CTask::CheckDiskDrive(const std::wstring&) { return kTaskFailed; }
uint32_t CTask::ShowTaskDialog() { return kTaskFailed; }
uint32_t CTask::RemoveOwnFolderAtReboot() { return 0; }
void CTask::DeleteFolderContents(const std::wstring&) {}
void CTask::ActivateDialog() {}

}  // namespace upd
