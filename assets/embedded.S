/* The embedded assets, linked in as read-only bytes. Paths are found through the assembler's
   include path (the assets folder, and the build folder for the packed cabinet). */
#ifdef _WIN32
#define READ_ONLY .section .rdata,"dr"
#else
#define READ_ONLY .section .rodata,"a"
#endif

/* A blob with a 32-bit length beside it. */
#define BLOB(name, path)        \
  .globl name;                  \
  .p2align 4;                   \
name:                           \
  .incbin path;                 \
name##End:                      \
  .globl name##Size;            \
  .p2align 2;                   \
name##Size:                     \
  .long name##End - name

/* A text with a terminating NUL. */
#define TEXT(name, path)        \
  .globl name;                  \
name:                           \
  .incbin path;                 \
  .byte 0

  READ_ONLY
  BLOB(BackgroundJpeg, "pictures/background.jpg")
  BLOB(InstallJpeg, "pictures/install.jpg")
  BLOB(AboutJpeg, "pictures/about.jpg")
  BLOB(ExitJpeg, "pictures/exit.jpg")
  BLOB(CabinetImage, "payload.cab")

  .globl ModuleImage
  .p2align 2
ModuleImage:
  .long ModuleBytesEnd - ModuleBytes
ModuleBytes:
  .incbin "music/song.xm"
ModuleBytesEnd:

  TEXT(CreditsText, "credits.txt")
  TEXT(InfoText, "info.txt")

#ifndef _WIN32
  .section .note.GNU-stack,"",@progbits
#endif
