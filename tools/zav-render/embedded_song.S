/* The program's song, built into the tool as a module image: a 32-bit count, then the XM
   bytes. The assembler finds music/song.xm through its include path (the assets folder). */
#if defined(_WIN32)
  .section .rdata,"dr"
#else
  .section .rodata,"a"
#endif
  .globl ZavRenderSong
  .p2align 2
ZavRenderSong:
  .long 2f - 1f
1:
  .incbin "music/song.xm"
2:
#if defined(__ELF__)
  .section .note.GNU-stack,"",@progbits
#endif
