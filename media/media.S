// The three media files, built into the program as read-only blocks. Each
// block has a start symbol and, beside it, its length in bytes as a 32-bit
// integer fixed by the assembler (end - start). The paths come from the
// build as MEDIA_PIC4_PNG, MEDIA_FLAKE_PNG and MEDIA_HOHOHO_OGG.

.macro media_block name, path
    .section .rodata.\name, "a", @progbits
    .balign 16
    .globl \name
    .type \name, @object
\name:
    .incbin "\path"
.L\name\()_end:
    .size \name, .L\name\()_end - \name

    .balign 4
    .globl \name\()_length
    .type \name\()_length, @object
\name\()_length:
    .long .L\name\()_end - \name
    .size \name\()_length, 4
.endm

media_block snowfall_media_pic4_png, MEDIA_PIC4_PNG
media_block snowfall_media_flake_png, MEDIA_FLAKE_PNG
media_block snowfall_media_hohoho_ogg, MEDIA_HOHOHO_OGG

// No executable stack.
.section .note.GNU-stack, "", @progbits
