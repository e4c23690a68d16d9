# Launchers with embedded command lines, for test_embed.py.
kol_add_launcher(embed_command
    COMMAND_LINE "app.kol start\r\nother.kol more\r\n"
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/embed_command)
# A byte above 0x7F: only the file form carries it unchanged.
kol_add_launcher(embed_high_byte
    COMMAND_LINE_FILE ${CMAKE_CURRENT_LIST_DIR}/embed-high-byte.txt
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/embed_high_byte)
kol_add_launcher(embed_both
    COMMAND_LINE "in.kol"
    LAUNCH_LINE "out.kol"
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/embed_both)
kol_add_launcher(embed_empty
    COMMAND_LINE ""
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/embed_empty)
