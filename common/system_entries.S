/* Every platform library that the program loads by name, and the entry points it takes from
   each. The program imports only from kernel32 and msvcrt; everything here is loaded from the
   system folder by LoadSystemLibraries (start-up group) or on first use (cabinet, wave-out).

   Each entry is a pointer named as the platform's import-table slot would be (__imp_Name), which
   the compiler calls through for every function that the headers declare as imported; `thunk`
   adds a jump under the plain name for the few that the headers declare without the import
   attribute. A name missing here is a link error, never a call through an empty slot.

   Names of a group, in .rdata: library file, its entry names, an empty name; after the last
   library another empty name. Slots, in .bss: one pointer per entry, in the same order. */

  .macro group name
  .globl \name\()Names, \name\()Entries
  .section .rdata,"dr"
\name\()Names:
  .section .bss,"bw"
  .p2align 3
\name\()Entries:
  .endm

  .macro library file
  .section .rdata,"dr"
  .asciz "\file"
  .endm

  .macro entry name
  .section .rdata,"dr"
  .asciz "\name"
  .section .bss,"bw"
  .globl __imp_\name
__imp_\name:
  .zero 8
  .endm

  .macro thunk name
  entry \name
  .section .text,"xr"
  .globl \name
  .p2align 3
\name:
  jmp *__imp_\name(%rip)
  .endm

  .macro end_library
  .section .rdata,"dr"
  .byte 0
  .endm

  .macro end_group
  end_library
  .endm

/* Loaded at start-up: the command line, the window, its drawing, the pictures, the folder
   browser, the output files. kernel32's wide calls come from here too, so that the import table
   keeps naming only what start-up needs before this table is loaded. */
  group Startup
  library "kernel32.dll"
  entry CreateDirectoryW
  entry CreateFileW
  entry DeleteFileW
  entry GetCommandLineW
  entry GetFullPathNameW
  entry GetLastError
  entry GetTickCount
  entry GetUserDefaultUILanguage
  entry LCIDToLocaleName
  entry MoveFileExW
  entry MultiByteToWideChar
  entry WideCharToMultiByte
  end_library
  library "user32.dll"
  entry BeginPaint
  entry CallWindowProcA
  entry CreateWindowExA
  entry CreateWindowExW
  entry DefWindowProcA
  entry DefWindowProcW
  entry DestroyWindow
  entry DialogBoxParamA
  entry DispatchMessageA
  entry DrawTextA
  entry DrawTextW
  entry EndDialog
  entry EndPaint
  entry GetDC
  entry GetDlgItem
  entry GetFocus
  entry GetKeyState
  entry GetMessageA
  entry GetSystemMetrics
  entry GetWindowLongA
  entry GetWindowRect
  entry KillTimer
  entry LoadCursorA
  entry LoadIconA
  entry MessageBoxW
  entry NotifyWinEvent
  entry PeekMessageA
  entry PostMessageA
  entry PostQuitMessage
  entry RegisterClassA
  entry ReleaseDC
  entry SendDlgItemMessageA
  entry SendMessageA
  entry SetFocus
  entry SetTimer
  entry SetWindowLongA
  entry SetWindowLongPtrA
  entry SetWindowPos
  entry SetWindowTextA
  entry SetWindowTextW
  entry SystemParametersInfoA
  entry SystemParametersInfoW
  end_library
  library "gdi32.dll"
  entry BitBlt
  entry CreateCompatibleDC
  entry CreateDIBSection
  entry CreateFontA
  entry CreateFontIndirectW
  entry CreateSolidBrush
  entry DeleteDC
  entry DeleteObject
  entry GdiFlush
  entry GetDeviceCaps
  entry GetDIBits
  entry Rectangle
  entry SelectObject
  entry SetBkColor
  entry SetBkMode
  entry SetTextColor
  entry StretchBlt
  entry TextOutA
  end_library
  library "ole32.dll"
  entry CoTaskMemFree
  entry CreateStreamOnHGlobal
  end_library
  library "oleaut32.dll"
  entry OleLoadPicture
  end_library
  library "shell32.dll"
  entry SHBrowseForFolderW
  entry ShellExecuteW
  entry SHGetPathFromIDListEx
  end_library
  end_group

/* Loaded when an install first runs. */
  group Cabinet
  library "cabinet.dll"
  thunk FDICreate
  thunk FDICopy
  thunk FDIDestroy
  end_library
  end_group

/* Loaded when the music first starts. */
  group WaveOut
  library "winmm.dll"
  entry waveOutOpen
  entry waveOutPrepareHeader
  entry waveOutWrite
  entry waveOutGetPosition
  entry waveOutReset
  entry waveOutUnprepareHeader
  entry waveOutClose
  end_library
  end_group
