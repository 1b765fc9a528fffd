# Compiler and linker settings shared by every Windows target.
add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501 STRICT)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
# Without -static the programs need libwinpthread-1.dll and do not load.
add_link_options(-static -static-libgcc -static-libstdc++)
