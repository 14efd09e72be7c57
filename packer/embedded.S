/* The stub and the project's assets, linked into zav-pack as read-only bytes: each file between
   a start and an end symbol. The assets are found through the assembler's include path; the
   stub's path is ZAV_STUB_FILE, left undefined when the Windows tree has not built it (zav-pack
   then checks inputs but writes no installer). */
#define FILE_BYTES(name, path) .globl name, name##End; .p2align 4; name: .incbin path; name##End:

#ifdef __ELF__
  .section .rodata,"a"
#else
  .section .rdata,"dr"
#endif
#ifdef ZAV_STUB_FILE
  FILE_BYTES(ZavPackStub, ZAV_STUB_FILE)
#else
  .globl ZavPackStub, ZavPackStubEnd
ZavPackStub:
ZavPackStubEnd:
#endif
  FILE_BYTES(ZavPackBackground, "pictures/background.jpg")
  FILE_BYTES(ZavPackInstallButton, "pictures/install.jpg")
  FILE_BYTES(ZavPackInfoButton, "pictures/about.jpg")
  FILE_BYTES(ZavPackExitButton, "pictures/exit.jpg")
  FILE_BYTES(ZavPackSong, "music/song.xm")
  FILE_BYTES(ZavPackCredits, "credits.txt")
  FILE_BYTES(ZavPackInfoText, "info.txt")

#ifdef __ELF__
  .section .note.GNU-stack,"",@progbits
#endif
