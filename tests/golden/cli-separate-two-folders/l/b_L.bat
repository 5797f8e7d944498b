@echo off
REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!
REM First create histogram txt files
"C:\ff\ffmpeg.exe" -i "Hist_b_L.avs" -f null /dev/null
REM 
REM Then create video files
"C:\ff\ffmpeg.exe" -i "a_L.avs" -c:v utvideo "a_L.mkv"
"C:\ff\ffmpeg.exe" -i "../r/a_R.avs" -c:v utvideo "a_R.mkv"
"C:\ff\ffmpeg.exe" -i "b_L.avs" -c:v utvideo "b_L.mkv"
"C:\ff\ffmpeg.exe" -i "../r/b_R.avs" -c:v utvideo "b_R.mkv"
