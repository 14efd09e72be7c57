/* The stub and the project's assets, linked into zav-pack as read-only bytes. The assets are
   found through the assembler's include path; the stub's path is ZAV_STUB_FILE, left undefined
   when the Windows tree has not built it (zav-pack then checks inputs but writes nothing). */

/* A blob and its 64-bit size. */
#define BLOB(name, path)        \
  .globl name;                  \
  .p2align 4;                   \
name:                           \
  .incbin path;                 \
name##End:                      \
  .globl name##Size;            \
  .p2align 3;                   \
name##Size:                     \
  .quad name##End - name

  .section .rodata,"a"
#ifdef ZAV_STUB_FILE
  BLOB(ZavPackStub, ZAV_STUB_FILE)
#else
  .globl ZavPackStub, ZavPackStubSize
ZavPackStub:
  .p2align 3
ZavPackStubSize:
  .quad 0
#endif
  BLOB(ZavPackBackground, "pictures/background.jpg")
  BLOB(ZavPackInstallButton, "pictures/install.jpg")
  BLOB(ZavPackInfoButton, "pictures/about.jpg")
  BLOB(ZavPackExitButton, "pictures/exit.jpg")
  BLOB(ZavPackSong, "music/song.xm")
  BLOB(ZavPackCredits, "credits.txt")
  BLOB(ZavPackInfoText, "info.txt")

  .section .note.GNU-stack,"",@progbits
