@echo off
REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!
"ffmpeg.exe" -i "shot_0007.avs"  "shot_0007"
