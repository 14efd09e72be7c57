// Threads and locks on Windows: the kernel's threads and critical sections.
#include <windows.h>

#include "packer/worker.h"

struct Worker {
  HANDLE thread;
  void (*work)(void*);
  void* context;
};
struct Lock {
  CRITICAL_SECTION section;
};

namespace {

DWORD WINAPI RunWorker(void* argument) {
  Worker* worker = static_cast<Worker*>(argument);
  worker->work(worker->context);
  return 0;
}

}  // namespace

Worker* StartWorker(void (*work)(void*), void* context) {
  Worker* worker = new Worker{nullptr, work, context};
  worker->thread = CreateThread(nullptr, 0, RunWorker, worker, 0, nullptr);
  if (worker->thread) return worker;
  delete worker;
  return nullptr;
}

void JoinWorker(Worker* worker) {
  WaitForSingleObject(worker->thread, INFINITE);
  CloseHandle(worker->thread);
  delete worker;
}

Lock* CreateLock() {
  Lock* lock = new Lock;
  InitializeCriticalSection(&lock->section);
  return lock;
}

void DestroyLock(Lock* lock) {
  DeleteCriticalSection(&lock->section);
  delete lock;
}

void EnterLock(Lock* lock) { EnterCriticalSection(&lock->section); }
void LeaveLock(Lock* lock) { LeaveCriticalSection(&lock->section); }
void PauseBriefly() { Sleep(2); }

int UsefulThreads(int most) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  int processors = int(system.dwNumberOfProcessors);
  return processors < 1 ? 1 : processors < most ? processors : most;
}
