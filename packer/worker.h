// The few thread services that packing on both cores needs, from each system's own calls
// (worker_posix.cpp, worker_win.cpp).
#pragma once

struct Worker;
// Runs `work(context)` on a thread of its own. Null when no thread could start: the caller then
// does all the work itself.
Worker* StartWorker(void (*work)(void*), void* context);
// Waits for the thread's end and releases it.
void JoinWorker(Worker* worker);

// A lock for what the threads share.
struct Lock;
Lock* CreateLock();
void DestroyLock(Lock* lock);
void EnterLock(Lock* lock);
void LeaveLock(Lock* lock);

// Gives up the processor for a few milliseconds, while waiting for the other thread.
void PauseBriefly();
// How many threads are worth starting: the processors, at most `most`.
int UsefulThreads(int most);
