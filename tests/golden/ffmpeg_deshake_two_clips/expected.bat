@echo off
REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!
REM First create histogram txt files
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Hist_day 2-l.avs" -f null /dev/null
REM 
REM Then create video files
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_1_trip_L.avs" -f null /dev/null
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_2_trip_L.avs" -c:v libx264 -crf 18 "trip_L.mp4"
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_1_trip_R.avs" -f null /dev/null
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_2_trip_R.avs" -c:v libx264 -crf 18 "trip_R.mp4"
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_1_day 2_L.avs" -f null /dev/null
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "Deshake_2_day 2_L.avs" -c:v libx264 -crf 18 "day 2_L.mp4"
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "right\Deshake_1_day 2_R.avs" -f null /dev/null
"C:\Program Files\ffmpeg\bin\ffmpeg.exe" -i "right\Deshake_2_day 2_R.avs" -c:v libx264 -crf 18 "day 2_R.mp4"
