<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>Capture</name>
    <message>
        <source>Демо-генератор вместо звукового входа</source>
        <translation>Demo generator instead of the sound input</translation>
    </message>
    <message>
        <source>Звуковой вход не найден (или выбран SIGM_INPUT=demo): показаны сигналы встроенного генератора — 1000 Гц в 1-м канале, 250 Гц во 2-м.</source>
        <translation>No sound input found (or SIGM_INPUT=demo chosen): showing the built-in generator — 1000 Hz on channel 1, 250 Hz on channel 2.</translation>
    </message>
    <message>
        <source>Демонстрационный генератор</source>
        <translation>Demo generator</translation>
    </message>
    <message>
        <source>Звук компьютера: </source>
        <translation>Computer sound: </translation>
    </message>
    <message>
        <source>Выбранный звуковой вход «%1» не найден. Используется вход по умолчанию.</source>
        <translation>The chosen sound input “%1” was not found. Using the default input.</translation>
    </message>
    <message>
        <source>Команда звукового устройства выполнена.</source>
        <translation>The sound device command completed.</translation>
    </message>
    <message>
        <source>Звуковое устройство не понимает параметры команды.</source>
        <translation>The sound device does not understand the command’s parameters.</translation>
    </message>
    <message>
        <source>Звуковое устройство не знает такой команды.</source>
        <translation>The sound device does not know this command.</translation>
    </message>
    <message>
        <source>Устройство звукового ввода перестало передавать звук: оно отключено или звуковой сервер остановлен.</source>
        <translation>The sound input device stopped delivering sound: it was unplugged or the sound server stopped.</translation>
    </message>
    <message>
        <source>Звуковое устройство с таким именем не открыто.</source>
        <translation>No sound device of this name is open.</translation>
    </message>
    <message>
        <source>Запись слишком длинна: для неё не хватает памяти.</source>
        <translation>The recording is too long: there is not enough memory for it.</translation>
    </message>
    <message>
        <source>Звуковое устройство уже открыто другой командой; закройте его и повторите.</source>
        <translation>The sound device is already open by another command; close it and try again.</translation>
    </message>
    <message>
        <source>Звуковой файл не найден.</source>
        <translation>Sound file not found.</translation>
    </message>
    <message>
        <source>Время записи задано неверно.</source>
        <translation>The recording time is invalid.</translation>
    </message>
    <message>
        <source>Запись не удалось сохранить в файл: нет прав на запись, нет такой папки или диск переполнен.</source>
        <translation>The recording could not be saved to the file: no write permission, no such folder, or the disk is full.</translation>
    </message>
    <message>
        <source>Звуковое устройство с таким именем уже открыто.</source>
        <translation>A sound device of this name is already open.</translation>
    </message>
    <message>
        <source>Файл не является звуковым файлом WAV с импульсно-кодовой модуляцией или не читается.</source>
        <translation>The file is not a PCM WAV sound file, or it cannot be read.</translation>
    </message>
    <message>
        <source>Нет устройства звукового ввода, которое может записывать в формате этого файла (частота, число каналов, 16 бит).</source>
        <translation>No sound input device can record in this file’s format (rate, channels, 16 bits).</translation>
    </message>
    <message>
        <source>Устройство звукового ввода недоступно. Проверьте, работает ли звуковой сервер и подключён ли кабель, и включите осциллоскоп снова.</source>
        <translation>The sound input device is unavailable. Check that the sound server is running and the cable is plugged in, then start the oscilloscope again.</translation>
    </message>
    <message>
        <source>Устройство звукового ввода, заданное переменной SIGM_INPUT, не найдено.</source>
        <translation>The sound input named by the SIGM_INPUT variable was not found.</translation>
    </message>
    <message>
        <source>Неизвестная ошибка звукового устройства № %1.</source>
        <translation>Unknown sound device error no. %1.</translation>
    </message>
    <message>
        <source>

Осциллограмму не удалось записать ни в рабочий файл, ни в папку </source>
        <translation>

The waveform could be written neither to the working file nor to the folder </translation>
    </message>
    <message>
        <source>: запись потеряна.</source>
        <translation>: the recording is lost.</translation>
    </message>
    <message>
        <source>Места хватило только на часть осциллограммы (%1 с из %2 с); она сохранена в файле %3</source>
        <translation>There was room for only part of the waveform (%1 s of %2 s); it is saved in the file %3</translation>
    </message>
    <message>
        <source>Записанная до этого осциллограмма (%1 с) сохранена в рабочем файле</source>
        <translation>The waveform recorded up to then (%1 s) is saved in the working file</translation>
    </message>
    <message>
        <source>Рабочий файл записать не удалось. Осциллограмма (%1 с) сохранена в файле %2</source>
        <translation>The working file could not be written. The waveform (%1 s) is saved in the file %2</translation>
    </message>
    <message>
        <source> и показана на экране.</source>
        <translation> and shown on the screen.</translation>
    </message>
    <message>
        <source>На диске кончилось место, запись остановлена.</source>
        <translation>The disk is full, recording stopped.</translation>
    </message>
    <message>
        <source>Файл записи достиг наибольшего размера, разрешённого программе, запись остановлена.</source>
        <translation>The recording file reached the largest size the program allows, recording stopped.</translation>
    </message>
    <message>
        <source>Запись в файл не удалась (%1), запись остановлена.</source>
        <translation>Writing to the file failed (%1), recording stopped.</translation>
    </message>
    <message>
        <source> ГБ</source>
        <translation> GB</translation>
    </message>
    <message>
        <source> МБ</source>
        <translation> MB</translation>
    </message>
    <message>
        <source>Не удалось создать файл записи </source>
        <translation>Could not create the recording file </translation>
    </message>
    <message>
        <source>Записано %1</source>
        <translation>Recorded %1</translation>
    </message>
    <message>
        <source> из %1</source>
        <translation> of %1</translation>
    </message>
    <message>
        <source> (до остановки)</source>
        <translation> (until stopped)</translation>
    </message>
    <message>
        <source>
На диске свободно %1</source>
        <translation>
Free on disk: %1</translation>
    </message>
    <message>
        <source>, это ещё %1</source>
        <translation>, room for another %1</translation>
    </message>
    <message>
        <source>

Ничего записать не успело.</source>
        <translation>

Nothing was recorded.</translation>
    </message>
    <message>
        <source>

Всё, что успело записаться (%1), сохранено в файле %2 и показано на экране.</source>
        <translation>

Everything recorded so far (%1) is saved in the file %2 and shown on the screen.</translation>
    </message>
    <message>
        <source>звуковой сервер не отвечает: %1</source>
        <translation>the sound server does not answer: %1</translation>
    </message>
    <message>
        <source>выход «%1» недоступен: %2</source>
        <translation>output “%1” is unavailable: %2</translation>
    </message>
    <message>
        <source>не удалось запустить связь со звуковым сервером</source>
        <translation>could not start the connection to the sound server</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source> (см. sigmalit %1 --help)</source>
        <translation> (see sigmalit %1 --help)</translation>
    </message>
    <message>
        <source>неизвестный параметр «%1»</source>
        <translation>unknown option “%1”</translation>
    </message>
    <message>
        <source>не назван файл</source>
        <translation>no file named</translation>
    </message>
    <message>
        <source>лишний параметр «%1»</source>
        <translation>unexpected argument “%1”</translation>
    </message>
    <message>
        <source>--calibration: не больше двух множителей через запятую</source>
        <translation>--calibration: at most two factors separated by a comma</translation>
    </message>
    <message>
        <source>--calibration: множитель «%1» не число от %2 до %3</source>
        <translation>--calibration: factor “%1” is not a number from %2 to %3</translation>
    </message>
    <message>
        <source>--%1: «%2» не время (например 1.5, 250ms, 100 мкС)</source>
        <translation>--%1: “%2” is not a time (e.g. 1.5, 250ms, 100us)</translation>
    </message>
    <message>
        <source>--from за концом файла (в нём %1 с)</source>
        <translation>--from is past the end of the file (it holds %1 s)</translation>
    </message>
    <message>
        <source>--to должно быть позже --from</source>
        <translation>--to must be later than --from</translation>
    </message>
    <message>
        <source>--channel: 1 или 2, а не «%1»</source>
        <translation>--channel: 1 or 2, not “%1”</translation>
    </message>
    <message>
        <source>в файле один канал, второго нет</source>
        <translation>the file has one channel, there is no second</translation>
    </message>
    <message>
        <source>Время (T): секунды от начала файла: 1.5, 250ms, 250 мС, 100us, 100 мкС.
Результат печатается на стандартный вывод, числа всегда с точкой; сообщение
об ошибке — одна строка на стандартный вывод ошибок.
Коды завершения: 0 — успешно, 64 — ошибка в командной строке, 65 — файл
отвергнут или повреждён, 66 — файла нет или он не читается, 74 — ошибка
чтения или записи.
</source>
        <translation>Time (T): seconds from the start of the file: 1.5, 250ms, 250 ms, 100us, 100 µs.
The result goes to standard output, numbers always with a decimal point; an
error message is one line on standard error.
Exit codes: 0 success, 64 command line error, 65 file rejected or damaged,
66 no such file or it cannot be read, 74 read or write error.
</translation>
    </message>
    <message>
        <source>Использование: sigmalit measure ФАЙЛ.wav [--from T] [--to T] [--channel 1|2] [--json]
                                [--calibration K1[,K2]]
Измерения строки показаний по каждому каналу осциллограммы, в вольтах
с учётом калибровки: частота, период, размах, максимум, минимум, среднее,
СКЗ и СКЗ переменной составляющей. Частота и период — по целым периодам
между пересечениями среднего уровня, как в окне.

  --from T, --to T       только этот отрезок файла (по умолчанию весь файл)
  --channel 1|2          только этот канал
  --json                 вывод в JSON вместо таблицы CSV
  --calibration K1[,K2]  калибровочные множители каналов вместо сохранённых
                         в настройках (один множитель — для обоих каналов)

Столбцы CSV (и ключи JSON): channel, samples, periods, frequency_Hz, period_s,
peak_to_peak_V, maximum_V, minimum_V, mean_V, rms_V, ac_rms_V, calibration.
Пустое поле (null в JSON) — величины нет: меньше одного периода.
JSON: {&quot;file&quot;, &quot;sample_rate_Hz&quot;, &quot;channels&quot;, &quot;from_s&quot;, &quot;to_s&quot;, &quot;readings&quot;: [...]}.

</source>
        <translation>Usage: sigmalit measure FILE.wav [--from T] [--to T] [--channel 1|2] [--json]
                                [--calibration K1[,K2]]
The readings of the measurement strip for each channel of the waveform, in
volts with the calibration applied: frequency, period, peak-to-peak, maximum,
minimum, mean, RMS and AC RMS. Frequency and period come from whole periods
between crossings of the mean level, as in the window.

  --from T, --to T       only this stretch of the file (default: the whole file)
  --channel 1|2          only this channel
  --json                 JSON output instead of a CSV table
  --calibration K1[,K2]  calibration factors of the channels instead of the
                         stored ones (one factor: for both channels)

CSV columns (and JSON keys): channel, samples, periods, frequency_Hz, period_s,
peak_to_peak_V, maximum_V, minimum_V, mean_V, rms_V, ac_rms_V, calibration.
An empty field (null in JSON): no value, less than one period.
JSON: {&quot;file&quot;, &quot;sample_rate_Hz&quot;, &quot;channels&quot;, &quot;from_s&quot;, &quot;to_s&quot;, &quot;readings&quot;: [...]}.

</translation>
    </message>
    <message>
        <source>Использование: sigmalit spectrum ФАЙЛ.wav [--size N] [--window hann|blackman-harris|flat-top]
                                 [--average N] [--at T] [--csv|--json] [--calibration K1[,K2]]
Спектр осциллограммы, как в окне «Спектр сигнала»: сильнейший пик, КНИ и КНИ+Ш
(по гармоникам 2…10) по каждому каналу.

  --size N        длина преобразования, степень двойки от 1024 до 65536 (4096)
  --window W      окно: hann (по умолчанию), blackman-harris, flat-top
  --average N     усреднить N спектров подряд идущих отрезков (1)
  --at T          начало первого отрезка (0)
  --csv           сам спектр: frequency_Hz, channel1_dBFS[, channel2_dBFS]
  --json          показания в JSON
  --calibration K1[,K2]  множители для уровня в дБВ вместо сохранённых

Столбцы таблицы показаний (и ключи JSON в &quot;readings&quot;): channel, peak_frequency_Hz,
peak_dBFS, peak_dBV, thd_dB, thd_percent, thd_n_dB, harmonics. Пустое поле
(null в JSON) — величины нет. JSON: {&quot;file&quot;, &quot;sample_rate_Hz&quot;, &quot;size&quot;, &quot;window&quot;,
&quot;averages&quot;, &quot;bin_width_Hz&quot;, &quot;at_s&quot;, &quot;readings&quot;: [...]}.

</source>
        <translation>Usage: sigmalit spectrum FILE.wav [--size N] [--window hann|blackman-harris|flat-top]
                                 [--average N] [--at T] [--csv|--json] [--calibration K1[,K2]]
The spectrum of the waveform, as in the Spectrum window: the strongest peak,
THD and THD+N (from harmonics 2…10) for each channel.

  --size N        transform length, a power of two from 1024 to 65536 (4096)
  --window W      window: hann (default), blackman-harris, flat-top
  --average N     average N spectra of consecutive stretches (1)
  --at T          start of the first stretch (0)
  --csv           the spectrum itself: frequency_Hz, channel1_dBFS[, channel2_dBFS]
  --json          readings in JSON
  --calibration K1[,K2]  factors for the level in dBV instead of the stored ones

Columns of the readings table (and JSON keys in &quot;readings&quot;): channel,
peak_frequency_Hz, peak_dBFS, peak_dBV, thd_dB, thd_percent, thd_n_dB, harmonics.
An empty field (null in JSON): no value. JSON: {&quot;file&quot;, &quot;sample_rate_Hz&quot;, &quot;size&quot;,
&quot;window&quot;, &quot;averages&quot;, &quot;bin_width_Hz&quot;, &quot;at_s&quot;, &quot;readings&quot;: [...]}.

</translation>
    </message>
    <message>
        <source>--csv и --json вместе не даются</source>
        <translation>--csv and --json cannot be given together</translation>
    </message>
    <message>
        <source>--size: степень двойки от %1 до %2</source>
        <translation>--size: a power of two from %1 to %2</translation>
    </message>
    <message>
        <source>--average: число спектров от 1 до 1000</source>
        <translation>--average: a number of spectra from 1 to 1000</translation>
    </message>
    <message>
        <source>--window: hann, blackman-harris или flat-top, а не «%1»</source>
        <translation>--window: hann, blackman-harris or flat-top, not “%1”</translation>
    </message>
    <message>
        <source>в файле нет отсчётов для спектра</source>
        <translation>the file has no samples for a spectrum</translation>
    </message>
    <message>
        <source>--at за концом файла</source>
        <translation>--at is past the end of the file</translation>
    </message>
    <message>
        <source>Использование: sigmalit export ФАЙЛ.wav --csv ВЫХОД.csv [--from T --to T]
                               [--at T [--sweep ВРЕМЯ/ДЕЛ]] [--calibration K1[,K2]]
       sigmalit export ФАЙЛ.wav (--png ВЫХОД.png | --svg ВЫХОД.svg) [--at T]
                               [--sweep ВРЕМЯ/ДЕЛ] [--volts-per-div U [--volts-per-div U2]]
       sigmalit export ФАЙЛ.wav (--png ВЫХОД.png | --svg ВЫХОД.svg) --from T --to T
Отсчёты осциллограммы в таблицу CSV, как команда окна «Экспорт отсчётов»:
строка заголовка «время_с,канал1_В[,канал2_В]», затем по строке на отсчёт —
время в секундах и напряжение каждого канала в вольтах с учётом калибровки.
Или один экран рисунком PNG или SVG, как команды окна «Экран в PNG/SVG»: сетка,
лучи обоих каналов (без постоянной составляющей, как в окне) и строка настроек
под экраном; рисуется без дисплея. Размер экрана — как в окне при первом
запуске.
Файл пишется целиком или никак: прежний файл остаётся, если запись не удалась.

  --csv ВЫХОД.csv  куда записать таблицу
  --png ВЫХОД.png, --svg ВЫХОД.svg  куда записать рисунок экрана
  --from T, --to T отрезок файла (по умолчанию весь файл); для рисунка — экран
                   с начала отрезка при самой быстрой развёртке, что его вмещает
  --at T           один экран, начиная с T
  --sweep В        развёртка экрана: от «100 мС» до «50 мкС» (100ms … 50us);
                   по умолчанию 1 мС на деление
  --volts-per-div U  чувствительность рисунка, как на переключателе прибора: от
                   «100 мВ» до «20 мкВ» (100mV … 20uV) на деление; дважды — для
                   каналов 1 и 2 порознь; по умолчанию 100 мВ
  --calibration K1[,K2]  множители вместо сохранённых в настройках (для CSV)

</source>
        <translation>Usage: sigmalit export FILE.wav --csv OUT.csv [--from T --to T]
                               [--at T [--sweep TIME/DIV]] [--calibration K1[,K2]]
       sigmalit export FILE.wav (--png OUT.png | --svg OUT.svg) [--at T]
                               [--sweep TIME/DIV] [--volts-per-div U [--volts-per-div U2]]
       sigmalit export FILE.wav (--png OUT.png | --svg OUT.svg) --from T --to T
The samples of the waveform as a CSV table, as the window’s Export Samples:
a header line “время_с,канал1_В[,канал2_В]” (time in s, channel volts), then a
line per sample: the time in seconds and each channel’s voltage in volts with
the calibration applied.
Or one screen as a PNG or SVG picture, as the window’s Screen to PNG/SVG: the
graticule, the traces of both channels (without the DC part, as in the window)
and the settings line below the screen; drawn without a display. The screen’s
size is the window’s at the first start.
The file is written whole or not at all: the old file stays if writing fails.

  --csv OUT.csv    where to write the table
  --png OUT.png, --svg OUT.svg  where to write the screen’s picture
  --from T, --to T a stretch of the file (default: the whole file); for a picture,
                   the screen from its start at the fastest sweep that holds it
  --at T           one screen, starting at T
  --sweep S        the screen’s sweep: from 100ms to 50us per division;
                   default 1 ms per division
  --volts-per-div U  the picture’s sensitivity, as on the instrument’s selector:
                   from 100mV to 20uV per division; twice: channels 1 and 2
                   apart; default 100 mV
  --calibration K1[,K2]  factors instead of the stored ones (for CSV)

</translation>
    </message>
    <message>
        <source>нужно одно из --csv ВЫХОД.csv, --png ВЫХОД.png, --svg ВЫХОД.svg</source>
        <translation>one of --csv OUT.csv, --png OUT.png, --svg OUT.svg is needed</translation>
    </message>
    <message>
        <source>не назван файл, куда выгрузить</source>
        <translation>no file named to export to</translation>
    </message>
    <message>
        <source>--at/--sweep (экран) и --from/--to (отрезок) вместе не даются</source>
        <translation>--at/--sweep (a screen) and --from/--to (a stretch) cannot be given together</translation>
    </message>
    <message>
        <source>--sweep: «%1» не развёртка прибора (от 100 мС до 50 мкС на деление)</source>
        <translation>--sweep: “%1” is not a sweep of the instrument (100 ms to 50 µs per division)</translation>
    </message>
    <message>
        <source>--volts-per-div — только для рисунка (--png, --svg)</source>
        <translation>--volts-per-div is for a picture only (--png, --svg)</translation>
    </message>
    <message>
        <source>--volts-per-div не больше двух раз: для каналов 1 и 2</source>
        <translation>--volts-per-div at most twice: for channels 1 and 2</translation>
    </message>
    <message>
        <source>--volts-per-div: «%1» не чувствительность прибора (от 100 мВ до 20 мкВ на деление)</source>
        <translation>--volts-per-div: “%1” is not a sensitivity of the instrument (100 mV to 20 µV per division)</translation>
    </message>
    <message>
        <source>отрезок длиннее экрана самой медленной развёртки (1 с)</source>
        <translation>the stretch is longer than the screen of the slowest sweep (1 s)</translation>
    </message>
    <message>
        <source>не удалось записать результат на стандартный вывод</source>
        <translation>could not write the result to standard output</translation>
    </message>
    <message>
        <source>Использование: sigmalit events ФАЙЛ.wav --level U [--slope rise|fall] [--channel 1|2]
                               [--hysteresis U] [--holdoff T] [--from T] [--to T] [--csv]
                               [--calibration K1[,K2]]
Все события синхронизации в осциллограмме: моменты, когда канал пересекает
уровень в заданную сторону, найденные так же, как их находит синхронизация
окна (с гистерезисом, с долей отсчёта), и измерения отрезка от каждого события
до следующего.

  --level U        уровень в вольтах с учётом калибровки: 0.1, -0,25, 100mV, 100 мВ
  --slope rise|fall  по фронту (rise, по умолчанию) или по спаду (fall)
  --channel 1|2    канал (по умолчанию 1)
  --hysteresis U   гистерезис: сигнал должен уйти за уровень на столько назад,
                   чтобы следующее пересечение считалось (по умолчанию десятая
                   деления при 100 мВ/дел., 10 мВ с учётом калибровки)
  --holdoff T      пересечения ближе T после события не считаются (0)
  --from T, --to T только этот отрезок файла
  --csv            таблица CSV вместо выровненной таблицы
  --calibration K1[,K2]  множители вместо сохранённых в настройках

Столбцы: event (номер с 1), time_s (время события от начала файла, с),
interval_s (до следующего события, с), frequency_Hz (1 / interval_s), и по
отрезку от события до следующего: peak_to_peak_V, maximum_V, minimum_V, mean_V,
rms_V, ac_rms_V (вольты). У последнего события отрезок идёт до конца файла
(или --to), а интервала и частоты нет: в CSV пустое поле, в таблице «-».

</source>
        <translation>Usage: sigmalit events FILE.wav --level U [--slope rise|fall] [--channel 1|2]
                               [--hysteresis U] [--holdoff T] [--from T] [--to T] [--csv]
                               [--calibration K1[,K2]]
Every trigger event in the waveform: the moments the channel crosses the level
in the given direction, found as the window’s trigger finds them (with
hysteresis, to a fraction of a sample), and the readings of the stretch from
each event to the next.

  --level U        level in volts with the calibration applied: 0.1, -0.25, 100mV
  --slope rise|fall  rising edge (rise, default) or falling edge (fall)
  --channel 1|2    channel (default 1)
  --hysteresis U   hysteresis: the signal must go back past the level by this
                   much before the next crossing counts (default a tenth of a
                   division at 100 mV/div, 10 mV with the calibration applied)
  --holdoff T      crossings closer than T after an event do not count (0)
  --from T, --to T only this stretch of the file
  --csv            a CSV table instead of an aligned table
  --calibration K1[,K2]  factors instead of the stored ones

Columns: event (numbered from 1), time_s (the event’s time from the start of
the file, s), interval_s (to the next event, s), frequency_Hz (1 / interval_s),
and for the stretch from the event to the next: peak_to_peak_V, maximum_V,
minimum_V, mean_V, rms_V, ac_rms_V (volts). The last event’s stretch runs to the
end of the file (or --to) and has no interval or frequency: an empty field in
CSV, “-” in the table.

</translation>
    </message>
    <message>
        <source>не задан уровень: --level U</source>
        <translation>no level given: --level U</translation>
    </message>
    <message>
        <source>--level: «%1» не напряжение (например 0.1, -0,25, 100mV, 100 мВ)</source>
        <translation>--level: “%1” is not a voltage (e.g. 0.1, -0.25, 100mV)</translation>
    </message>
    <message>
        <source>--hysteresis: «%1» не напряжение не меньше нуля</source>
        <translation>--hysteresis: “%1” is not a voltage of zero or more</translation>
    </message>
    <message>
        <source>--slope: rise или fall, а не «%1»</source>
        <translation>--slope: rise or fall, not “%1”</translation>
    </message>
    <message>
        <source>--holdoff: «%1» не время (например 1.5, 250ms, 100 мкС)</source>
        <translation>--holdoff: “%1” is not a time (e.g. 1.5, 250ms, 100us)</translation>
    </message>
    <message>
        <source>рисунок не нарисовать без платформы Qt</source>
        <translation>the picture cannot be drawn without a Qt platform</translation>
    </message>
    <message>
        <source>не удалось открыть «%1»</source>
        <translation>could not open “%1”</translation>
    </message>
    <message>
        <source>не удалось прочитать экран из «%1» (ошибка %2)</source>
        <translation>could not read the screen from “%1” (error %2)</translation>
    </message>
    <message>
        <source>Использование: sigmalit record ВЫХОД.wav --seconds N [--input ИМЯ] [--rate R]
                               [--channels 1|2]
Запись со звукового входа (сервера PulseAudio или PipeWire) прямо в файл WAV,
16 разрядов, без окна и без дисплея. Отсчёты пишутся на диск по мере прихода
в файл рядом с ВЫХОД.wav (ВЫХОД.part-XXXXXX.wav), заголовок которого
обновляется каждую секунду, и по окончании файл переименовывается в ВЫХОД.wav.
Ctrl+C или SIGTERM останавливают запись: записанное остаётся, код 0, и в
стандартный вывод ошибок — строка о том, сколько секунд сохранено. Файл
длиннее 4 ГиБ пишется в формате RF64.

  --seconds N      длительность записи в секундах (например 10, 1.5, 90 с)
  --input ИМЯ      вход по имени или описанию сервера (по умолчанию — вход
                   сервера по умолчанию); монитор выхода — по точному имени
  --rate R         частота дискретизации, Гц (48000)
  --channels 1|2   число каналов (2)

Коды завершения: 0 — записано (или остановлено сигналом), 64 — ошибка в
командной строке, 69 — нет звукового входа (или он перестал отвечать; что
пришло до того, сохранено), 74 — ошибка записи (при переполнении диска
записанное сохраняется).
</source>
        <translation>Usage: sigmalit record OUT.wav --seconds N [--input NAME] [--rate R]
                               [--channels 1|2]
Records from the sound input (a PulseAudio or PipeWire server) straight into a
16-bit WAV file, without a window or a display. The samples go to disk as they
arrive, into a file beside OUT.wav (OUT.part-XXXXXX.wav) whose header is made
true every second; at the end the file is renamed to OUT.wav.
Ctrl+C or SIGTERM stop the recording: what was recorded stays, exit code 0,
and standard error gets a line saying how many seconds were saved. A file
longer than 4 GiB is written as RF64.

  --seconds N      recording length in seconds (e.g. 10, 1.5, 90 s)
  --input NAME     input by the server’s name or description (default: the
                   server’s default input); an output’s monitor by exact name
  --rate R         sample rate, Hz (48000)
  --channels 1|2   number of channels (2)

Exit codes: 0 recorded (or stopped by a signal), 64 command line error,
69 no sound input (or it stopped answering; what came before is saved),
74 write error (on a full disk what was recorded is saved).
</translation>
    </message>
    <message>
        <source>не задана длительность: --seconds N</source>
        <translation>no length given: --seconds N</translation>
    </message>
    <message>
        <source>--seconds: «%1» не длительность больше нуля</source>
        <translation>--seconds: “%1” is not a length above zero</translation>
    </message>
    <message>
        <source>--rate: частота от 1000 до 384000 Гц, а не «%1»</source>
        <translation>--rate: a rate from 1000 to 384000 Hz, not “%1”</translation>
    </message>
    <message>
        <source>--channels: 1 или 2, а не «%1»</source>
        <translation>--channels: 1 or 2, not “%1”</translation>
    </message>
    <message>
        <source>у звукового сервера нет входа «%1»</source>
        <translation>the sound server has no input “%1”</translation>
    </message>
    <message>
        <source>нет звукового входа: звуковой сервер не отвечает или у него нет входов</source>
        <translation>no sound input: the sound server does not answer or has no inputs</translation>
    </message>
    <message>
        <source>вход «%1» не даёт %2 Гц, %3 канал(а), 16 разрядов</source>
        <translation>input “%1” does not give %2 Hz, %3 channel(s), 16 bits</translation>
    </message>
    <message>
        <source>вход «%1» недоступен</source>
        <translation>input “%1” is unavailable</translation>
    </message>
    <message>
        <source>не удалось создать файл рядом с «%1»: %2</source>
        <translation>could not create a file beside “%1”: %2</translation>
    </message>
    <message>
        <source>не удалось начать файл «%1»: %2</source>
        <translation>could not start the file “%1”: %2</translation>
    </message>
    <message>
        <source>диск заполнен</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>запись не удалась (%1)</source>
        <translation>writing failed (%1)</translation>
    </message>
    <message>
        <source>вход «%1» перестал работать</source>
        <translation>input “%1” stopped working</translation>
    </message>
    <message>
        <source>вход «%1» ничего не даёт %2 с</source>
        <translation>input “%1” has given nothing for %2 s</translation>
    </message>
    <message>
        <source>не удалось закрыть файл (%1)</source>
        <translation>could not close the file (%1)</translation>
    </message>
    <message>
        <source>записано %1 с, но файл не переименован в «%2» (%3): он остался как «%4»</source>
        <translation>recorded %1 s, but the file was not renamed to “%2” (%3): it stays as “%4”</translation>
    </message>
    <message>
        <source>%1; записанные %2 с сохранены в «%3»</source>
        <translation>%1; the %2 s recorded are saved in “%3”</translation>
    </message>
    <message>
        <source>остановлено; записанные %1 с сохранены в «%2»</source>
        <translation>stopped; the %1 s recorded are saved in “%2”</translation>
    </message>
    <message>
        <source>не удалось прочитать «%1»: %2</source>
        <translation>could not read “%1”: %2</translation>
    </message>
    <message>
        <source>файл «%1» стал короче, чем был при открытии</source>
        <translation>the file “%1” became shorter than it was when opened</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source> (см. sigmalit --help)</source>
        <translation> (see sigmalit --help)</translation>
    </message>
    <message>
        <source>неизвестный параметр «%1»</source>
        <translation>unknown option “%1”</translation>
    </message>
    <message>
        <source>открывается только один файл, лишний: «%1»</source>
        <translation>only one file opens, one too many: “%1”</translation>
    </message>
    <message>
        <source>Использование: sigmalit [ФАЙЛ.wav]
       sigmalit measure|spectrum|export ФАЙЛ.wav [ПАРАМЕТРЫ]
Сигмалит — запоминающий осциллограф на звуковой карте.

  ФАЙЛ.wav     открыть осциллограмму (16-разрядный WAV, один или два канала),
               как это сделала бы команда «Открыть wav»
  -h, --help   показать эту справку и выйти
  --version    показать версию и выйти

Команды без окна (графический сеанс не нужен; справка: sigmalit КОМАНДА --help):
  measure      измерения строки показаний по каналам, в вольтах
  spectrum     спектр, пик, КНИ и КНИ+Ш
  export       отсчёты в таблицу CSV
Файл с именем команды открывается так: sigmalit ./measure

Коды завершения: 0 — успешно, %1 — ошибка в командной строке,
%2 — нет графического сеанса (без экрана: xvfb-run -a sigmalit).
Переменная SIGM_INPUT=demo включает встроенный генератор вместо звукового входа.
Подробнее: man sigmalit
</source>
        <translation>Usage: sigmalit [FILE.wav]
       sigmalit measure|spectrum|export FILE.wav [OPTIONS]
Sigmalit: a storage oscilloscope on the sound card.

  FILE.wav     open a waveform (16-bit WAV, one or two channels),
               as the Open WAV command would
  -h, --help   show this help and exit
  --version    show the version and exit

Commands without a window (no graphical session needed; help: sigmalit COMMAND --help):
  measure      the measurement strip’s readings per channel, in volts
  spectrum     spectrum, peak, THD and THD+N
  export       samples to a CSV table
A file named like a command opens so: sigmalit ./measure

Exit codes: 0 success, %1 command line error,
%2 no graphical session (without a screen: xvfb-run -a sigmalit).
The variable SIGM_INPUT=demo turns on the built-in generator instead of the sound input.
More: man sigmalit
</translation>
    </message>
    <message>
        <source>Лицензия GPL-3.0-or-later: GNU GPL версии 3 или более поздней &lt;https://www.gnu.org/licenses/gpl-3.0.html&gt;
</source>
        <translation>License GPL-3.0-or-later: GNU GPL version 3 or later &lt;https://www.gnu.org/licenses/gpl-3.0.html&gt;
</translation>
    </message>
</context>
<context>
    <name>CursorTool</name>
    <message>
        <source>Курсоры</source>
        <translation>Cursors</translation>
    </message>
    <message>
        <source>Курсоры напряжения по 2-му каналу</source>
        <translation>Voltage Cursors on Channel 2</translation>
    </message>
    <message>
        <source>Курсоры напряжения по M</source>
        <translation>Voltage Cursors on M</translation>
    </message>
    <message>
        <source>Канал %1:  U1 = %2   U2 = %3   ΔU = %4</source>
        <translation>Channel %1:  U1 = %2   U2 = %3   ΔU = %4</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Сигмалит</source>
        <translation>Sigmalit</translation>
    </message>
    <message>
        <source>  Сигмалит</source>
        <translation>  Sigmalit</translation>
    </message>
    <message>
        <source>    Сигмалит</source>
        <translation>    Sigmalit</translation>
    </message>
    <message>
        <source>Ошибка при обращении к страницам памяти, выгрузите резидентные программы!</source>
        <translation>Memory page access error, close other programs!</translation>
    </message>
    <message>
        <source>Ошибка чтения файла (ошибка устройства ввода/вывода)</source>
        <translation>File read error (input/output device error)</translation>
    </message>
    <message>
        <source>Диск C: переполнен, попробуте удалть не нужные файлы и повторно включите режим сигмалита</source>
        <translation>The disk is full; delete files you do not need and start Sigmalit’s mode again</translation>
    </message>
    <message>
        <source>Рабочий файл не доступен!<byte value="xd"/>
Диск не готов!</source>
        <translation>The working file is not available!<byte value="xd"/>
The disk is not ready!</translation>
    </message>
    <message>
        <source>Отсутствует файл {file}, необходимо заново установить программу.</source>
        <translation>The file {file} is missing; the program must be installed again.</translation>
    </message>
    <message>
        <source>Ошибка совместного доступа к файлу {file} или tmp.wav</source>
        <translation>Sharing violation on the file {file} or tmp.wav</translation>
    </message>
    <message>
        <source>У вас нет прав для работы с файлом tmp.wav или файл блокирован другим процессом.</source>
        <translation>You have no permission for the file tmp.wav, or another process has locked it.</translation>
    </message>
    <message>
        <source>Не предвиденная ошибка   № {n}</source>
        <translation>Unexpected error   no. {n}</translation>
    </message>
    <message>
        <source>Ошибка совместного доступа к файлу</source>
        <translation>Sharing violation on the file</translation>
    </message>
    <message>
        <source>Не предвиденная ошибка № {n}</source>
        <translation>Unexpected error no. {n}</translation>
    </message>
    <message>
        <source>Файл c:\tmp.wav неожиданно удален с диска, откройте файл ещё раз!</source>
        <translation>The file c:\tmp.wav was unexpectedly deleted from the disk, open the file again!</translation>
    </message>
    <message>
        <source>Ошибка совместного доступа к файлу tmp.wav</source>
        <translation>Sharing violation on the file tmp.wav</translation>
    </message>
    <message>
        <source>У вас нет прав для работы с файлом tmp.wav или файл заблокирован другим процессом</source>
        <translation>You have no permission for the file tmp.wav, or another process has locked it</translation>
    </message>
    <message>
        <source>Ошибка совместного доступа к файлу {file?} или tmp.wav</source>
        <translation>Sharing violation on the file {file?} or tmp.wav</translation>
    </message>
    <message>
        <source>У вас нет прав для работы с файлом tmp.wav или {file?}</source>
        <translation>You have no permission for the file tmp.wav or {file?}</translation>
    </message>
    <message>
        <source>Не выбран файл для открытия!</source>
        <translation>No file chosen to open!</translation>
    </message>
    <message>
        <source>Ошибка совместного доступа к файлу {file}</source>
        <translation>Sharing violation on the file {file}</translation>
    </message>
    <message>
        <source>Ошибка чтения файла {file}<byte value="xd"/>
(ошибка устройства ввода/вывода)</source>
        <translation>Error reading the file {file}<byte value="xd"/>
(input/output device error)</translation>
    </message>
    <message>
        <source>У вас нет прав для работы с данным файлом или он занят другим процессом!</source>
        <translation>You have no permission for this file, or another process is using it!</translation>
    </message>
    <message>
        <source>Файл {file} не доступен!<byte value="xd"/>
       Диск не готов!</source>
        <translation>The file {file} is not available!<byte value="xd"/>
       The disk is not ready!</translation>
    </message>
    <message>
        <source>Не задано имя файла для сохранения!</source>
        <translation>No file name given to save to!</translation>
    </message>
    <message>
        <source>или</source>
        <translation>or</translation>
    </message>
</context>
<context>
    <name>EventTool</name>
    <message>
        <source>Указатель запусков</source>
        <translation>Event Index</translation>
    </message>
    <message>
        <source>Список всех запусков синхронизации в записи, с измерениями после каждого</source>
        <translation>Every trigger event of the recording, with measurements after each</translation>
    </message>
    <message>
        <source>Тренд измерений</source>
        <translation>Measurement Trend</translation>
    </message>
    <message>
        <source>Частота, СКЗ, размах или среднее каждую секунду всей записи</source>
        <translation>Frequency, RMS, peak-to-peak or mean for every second of the recording</translation>
    </message>
    <message>
        <source>Нет записи: откройте осциллограмму или остановите запись.</source>
        <translation>No recording: open an oscillogram or stop capturing.</translation>
    </message>
    <message>
        <source>Поиск прерван: показаны запуски до места, где он остановился.</source>
        <translation>Search stopped: the events up to where it stopped are shown.</translation>
    </message>
    <message>
        <source>Запись не прочитана: %1</source>
        <translation>The recording could not be read: %1</translation>
    </message>
</context>
<context>
    <name>EventWindow</name>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Время, с</source>
        <translation>Time, s</translation>
    </message>
    <message>
        <source>Частота, Гц</source>
        <translation>Frequency, Hz</translation>
    </message>
    <message>
        <source>Период, мС</source>
        <translation>Period, ms</translation>
    </message>
    <message>
        <source>Размах, В</source>
        <translation>Peak-to-peak, V</translation>
    </message>
    <message>
        <source>СКЗ, В</source>
        <translation>RMS, V</translation>
    </message>
    <message>
        <source>Указатель запусков</source>
        <translation>Event Index</translation>
    </message>
    <message>
        <source>Двойной щелчок — показать запуск на экране</source>
        <translation>Double-click: show the event on the screen</translation>
    </message>
    <message>
        <source>Искать заново</source>
        <translation>Search again</translation>
    </message>
    <message>
        <source>Найти запуски заново с нынешними уровнем, фронтом и каналом синхронизации</source>
        <translation>Find the events again with the trigger level, slope and channel as set now</translation>
    </message>
    <message>
        <source>Прервать</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Сохранить CSV…</source>
        <translation>Save CSV…</translation>
    </message>
    <message>
        <source>Поиск запусков: %1 %, найдено %2</source>
        <translation>Searching for events: %1 %, %2 found</translation>
    </message>
    <message>
        <source>Найдено больше %1 запусков: показаны первые %1.</source>
        <translation>More than %1 events: the first %1 are shown.</translation>
    </message>
    <message>
        <source>Запусков нет: сигнал ни разу не пересёк уровень синхронизации.</source>
        <translation>No events: the signal never crossed the trigger level.</translation>
    </message>
    <message>
        <source>Запусков: %1.</source>
        <translation>Events: %1.</translation>
    </message>
    <message>
        <source>Сохранить список запусков</source>
        <translation>Save the event list</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>Список запусков не сохранён: %1</source>
        <translation>The event list was not saved: %1</translation>
    </message>
</context>
<context>
    <name>Export</name>
    <message>
        <source>Не удалось прочитать файл осциллограммы.</source>
        <translation>Could not read the waveform file.</translation>
    </message>
    <message>
        <source>Файл осциллограммы не одно- и не двухканальный.</source>
        <translation>The waveform file has neither one nor two channels.</translation>
    </message>
    <message>
        <source>X-Y:  X (канал 1) = %1/дел.   Y (канал 2) = %2/дел.   фигура за %3 с (развёртка %4/дел.)</source>
        <translation>X-Y:  X (channel 1) = %1/div   Y (channel 2) = %2/div   figure over %3 s (sweep %4/div)</translation>
    </message>
    <message>
        <source>Канал 1 − канал 2: %1/дел.   Время/Дел. = %2</source>
        <translation>Channel 1 − channel 2: %1/div   Time/div = %2</translation>
    </message>
    <message>
        <source>Канал 1: %1/дел.   Канал 2: %2/дел.   Время/Дел. = %3</source>
        <translation>Channel 1: %1/div   Channel 2: %2/div   Time/div = %3</translation>
    </message>
    <message>
        <source>Канал 1: %1/дел.   Время/Дел. = %2</source>
        <translation>Channel 1: %1/div   Time/div = %2</translation>
    </message>
    <message>
        <source>   Экран: %1 … %2 с</source>
        <translation>   Screen: %1 … %2 s</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: ошибка кодирования PNG.</source>
        <translation>Could not write the file %1: PNG encoding error.</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: ошибка кодирования SVG.</source>
        <translation>Could not write the file %1: SVG encoding error.</translation>
    </message>
</context>
<context>
    <name>ExportTool</name>
    <message>
        <source>Экспорт</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Экран в PNG...</source>
        <translation>Screen to PNG...</translation>
    </message>
    <message>
        <source>Экран в SVG...</source>
        <translation>Screen to SVG...</translation>
    </message>
    <message>
        <source>Отсчёты экрана в CSV...</source>
        <translation>Screen Samples to CSV...</translation>
    </message>
    <message>
        <source>Отсчёты между курсорами времени в CSV...</source>
        <translation>Samples Between Time Cursors to CSV...</translation>
    </message>
    <message>
        <source>Отсчёты всего файла в CSV...</source>
        <translation>Samples of the Whole File to CSV...</translation>
    </message>
    <message>
        <source>Экспорт отсчётов в CSV...</source>
        <translation>Exporting samples to CSV...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Рисунок SVG (*.svg)</source>
        <translation>SVG picture (*.svg)</translation>
    </message>
    <message>
        <source>Рисунок PNG (*.png)</source>
        <translation>PNG picture (*.png)</translation>
    </message>
    <message>
        <source>Экспорт экрана</source>
        <translation>Export Screen</translation>
    </message>
    <message>
        <source>Отсчёты можно выгрузить, когда осциллоскоп остановлен.</source>
        <translation>Samples can be exported when the oscilloscope is stopped.</translation>
    </message>
    <message>
        <source>Экспорт отсчётов</source>
        <translation>Export Samples</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>на диске нет места</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>исчерпана дисковая квота</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>файл слишком велик для этого диска</source>
        <translation>the file is too large for this disk</translation>
    </message>
    <message>
        <source>нет прав на запись</source>
        <translation>no write permission</translation>
    </message>
    <message>
        <source>диск доступен только для чтения</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>такой папки нет</source>
        <translation>no such folder</translation>
    </message>
    <message>
        <source>слишком длинное имя</source>
        <translation>the name is too long</translation>
    </message>
    <message>
        <source>ошибка ввода-вывода</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>не удалось заменить прежний файл</source>
        <translation>could not replace the old file</translation>
    </message>
    <message>
        <source>ошибка записи</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>Не удалось создать файл %1: %2.</source>
        <translation>Could not create the file %1: %2.</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2.</source>
        <translation>Could not write the file %1: %2.</translation>
    </message>
    <message>
        <source>это папка</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>это канал (FIFO), а не файл</source>
        <translation>it is a pipe (FIFO), not a file</translation>
    </message>
    <message>
        <source>это устройство, а не файл</source>
        <translation>it is a device, not a file</translation>
    </message>
    <message>
        <source>это сокет, а не файл</source>
        <translation>it is a socket, not a file</translation>
    </message>
    <message>
        <source>это не обычный файл</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>это не файл опорной осциллограммы</source>
        <translation>it is not a reference trace file</translation>
    </message>
    <message>
        <source>строка %1 не читается</source>
        <translation>line %1 cannot be read</translation>
    </message>
    <message>
        <source>неверное значение «%1»</source>
        <translation>invalid value “%1”</translation>
    </message>
    <message>
        <source>нет масштаба или числа точек</source>
        <translation>no scale or number of points</translation>
    </message>
    <message>
        <source>точка %1 не читается</source>
        <translation>point %1 cannot be read</translation>
    </message>
    <message>
        <source>файл обрывается на точке %1 из %2</source>
        <translation>the file ends at point %1 of %2</translation>
    </message>
    <message>
        <source>файл не открывается</source>
        <translation>the file does not open</translation>
    </message>
    <message>
        <source>    Нет доступа к  </source>
        <translation>    No access to  </translation>
    </message>
    <message>
        <source><byte value="xd"/>
Устройство не готово!</source>
        <translation><byte value="xd"/>
The device is not ready!</translation>
    </message>
    <message>
        <source>Прошу прощения, но данная версия программы обрабатывает только 16-разрядные звуковые файлы!</source>
        <translation>Sorry, this version of the program handles 16-bit sound files only!</translation>
    </message>
    <message>
        <source>Файл %1 не найден, выберите файл ещё раз!</source>
        <translation>File %1 not found, choose the file again!</translation>
    </message>
    <message>
        <source>%1 не является обычным файлом, открыть можно только файл осциллограммы!</source>
        <translation>%1 is not a regular file; only a waveform file can be opened!</translation>
    </message>
    <message>
        <source>Файл %1 не удаётся прочитать: нет прав на чтение или файл недоступен!</source>
        <translation>File %1 cannot be read: no read permission, or the file is unavailable!</translation>
    </message>
    <message>
        <source>Файл %1 не является звуковым файлом WAV или повреждён!</source>
        <translation>File %1 is not a WAV sound file, or it is damaged!</translation>
    </message>
    <message>
        <source>Файл %1 записан в сжатом виде или с плавающей точкой, программа обрабатывает только 16-разрядные файлы без сжатия!</source>
        <translation>File %1 is compressed or floating-point; the program handles uncompressed 16-bit files only!</translation>
    </message>
    <message>
        <source>В файле %1 каналов: %2. Программа показывает только одно- и двухканальные записи!</source>
        <translation>File %1 has %2 channels. The program shows one- and two-channel recordings only!</translation>
    </message>
    <message>
        <source>Частота дискретизации файла %1 (%2 Гц) вне пределов, которые может показать программа (от %3 до %4 Гц)!</source>
        <translation>The sample rate of file %1 (%2 Hz) is outside what the program can show (%3 to %4 Hz)!</translation>
    </message>
    <message>
        <source>Файл %1 слишком велик: программа показывает файлы WAV размером до 4 ГБ!</source>
        <translation>File %1 is too large: the program shows WAV files up to 4 GB!</translation>
    </message>
    <message>
        <source>не удалось прочитать файл</source>
        <translation>could not read the file</translation>
    </message>
    <message>
        <source>обзор не соответствует файлу</source>
        <translation>the overview does not match the file</translation>
    </message>
    <message>
        <source>неверное число каналов</source>
        <translation>wrong number of channels</translation>
    </message>
    <message>
        <source>файл стал короче</source>
        <translation>the file became shorter</translation>
    </message>
    <message>
        <source>Файл %1 слишком велик: программа показывает файлы RF64 размером до 16 ТБ!</source>
        <translation>File %1 is too large: the program shows RF64 files up to 16 TB!</translation>
    </message>
</context>
<context>
    <name>GeneratorTool</name>
    <message>
        <source>Генератор</source>
        <translation>Generator</translation>
    </message>
    <message>
        <source>АЧХ и ФЧХ…</source>
        <translation>Frequency Response…</translation>
    </message>
</context>
<context>
    <name>GeneratorWindow</name>
    <message>
        <source>Синус</source>
        <translation>Sine</translation>
    </message>
    <message>
        <source>Меандр</source>
        <translation>Square</translation>
    </message>
    <message>
        <source>Треугольник</source>
        <translation>Triangle</translation>
    </message>
    <message>
        <source>Пила</source>
        <translation>Sawtooth</translation>
    </message>
    <message>
        <source>Белый шум</source>
        <translation>White Noise</translation>
    </message>
    <message>
        <source>Розовый шум</source>
        <translation>Pink Noise</translation>
    </message>
    <message>
        <source>Качание частоты</source>
        <translation>Frequency Sweep</translation>
    </message>
    <message>
        <source>Импульсы</source>
        <translation>Pulses</translation>
    </message>
    <message>
        <source>Генератор</source>
        <translation>Generator</translation>
    </message>
    <message>
        <source>Выход 1 (левый)</source>
        <translation>Output 1 (left)</translation>
    </message>
    <message>
        <source>Выход 2 (правый)</source>
        <translation>Output 2 (right)</translation>
    </message>
    <message>
        <source>Включён</source>
        <translation>On</translation>
    </message>
    <message>
        <source> Гц</source>
        <translation> Hz</translation>
    </message>
    <message>
        <source> дБFS</source>
        <translation> dBFS</translation>
    </message>
    <message>
        <source> с</source>
        <translation> s</translation>
    </message>
    <message>
        <source> мС</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Форма:</source>
        <translation>Waveform:</translation>
    </message>
    <message>
        <source>Частота:</source>
        <translation>Frequency:</translation>
    </message>
    <message>
        <source>Уровень:</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>Смещение:</source>
        <translation>Offset:</translation>
    </message>
    <message>
        <source>Заполнение:</source>
        <translation>Duty cycle:</translation>
    </message>
    <message>
        <source>Качание до:</source>
        <translation>Sweep to:</translation>
    </message>
    <message>
        <source>за:</source>
        <translation>over:</translation>
    </message>
    <message>
        <source>Импульс:</source>
        <translation>Pulse width:</translation>
    </message>
    <message>
        <source>Период:</source>
        <translation>Period:</translation>
    </message>
    <message>
        <source>Сдвиг фазы выхода 2 относительно выхода 1</source>
        <translation>Phase of output 2 relative to output 1</translation>
    </message>
    <message>
        <source>Фаза:</source>
        <translation>Phase:</translation>
    </message>
    <message>
        <source>Генератор не запущен: </source>
        <translation>The generator did not start: </translation>
    </message>
    <message>
        <source>Включите выход, чтобы генератор заиграл.</source>
        <translation>Turn an output on to make the generator play.</translation>
    </message>
    <message>
        <source>Генератор остановлен: </source>
        <translation>The generator stopped: </translation>
    </message>
    <message>
        <source>выход по умолчанию</source>
        <translation>default output</translation>
    </message>
    <message>
        <source>Звучит: </source>
        <translation>Playing: </translation>
    </message>
    <message>
        <source>Подключение к звуковому серверу…</source>
        <translation>Connecting to the sound server…</translation>
    </message>
    <message>
        <source>АЧХ и ФЧХ…</source>
        <translation>Frequency Response…</translation>
    </message>
    <message>
        <source>Выход:</source>
        <translation>Output:</translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>Файл справки не найден: </source>
        <translation>Help file not found: </translation>
    </message>
    <message>
        <source><byte value="xd"/>
Переустановите программу.</source>
        <translation><byte value="xd"/>
Install the program again.</translation>
    </message>
    <message>
        <source>Не удалось запустить веб-браузер. Справка находится в файле </source>
        <translation>Could not start a web browser. The help is in the file </translation>
    </message>
</context>
<context>
    <name>InputTool</name>
    <message>
        <source>Звуковой вход</source>
        <translation>Sound Input</translation>
    </message>
    <message>
        <source>Сейчас: </source>
        <translation>Now: </translation>
    </message>
    <message>
        <source>Вход задан переменной SIGM_INPUT=</source>
        <translation>Input set by the variable SIGM_INPUT=</translation>
    </message>
    <message>
        <source>По умолчанию (вход звукового сервера)</source>
        <translation>Default (the sound server’s input)</translation>
    </message>
    <message>
        <source>%1 (нет в системе)</source>
        <translation>%1 (not present)</translation>
    </message>
    <message>
        <source>Демонстрационный генератор</source>
        <translation>Demo generator</translation>
    </message>
    <message>
        <source>по умолчанию</source>
        <translation>default</translation>
    </message>
    <message>
        <source>по умолчанию — </source>
        <translation>default: </translation>
    </message>
    <message>
        <source>Вход: </source>
        <translation>Input: </translation>
    </message>
</context>
<context>
    <name>Kalibr</name>
    <message>
        <source>Калибровка</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Множитель к номинальной шкале</source>
        <translation>Factor to the nominal scale</translation>
    </message>
    <message>
        <source>Размах на экране</source>
        <translation>Peak-to-peak on screen</translation>
    </message>
    <message>
        <source>Известный размах, В</source>
        <translation>Known peak-to-peak, V</translation>
    </message>
    <message>
        <source>Канал %1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>Рассчитать</source>
        <translation>Calculate</translation>
    </message>
    <message>
        <source>Номинал</source>
        <translation>Nominal</translation>
    </message>
    <message>
        <source>Подайте на вход сигнал известного размаха, включите измерения, введите его размах и нажмите «Рассчитать».</source>
        <translation>Feed a signal of known peak-to-peak to the input, turn measurements on, type its peak-to-peak and press Calculate.</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Нужны сигнал на экране и его размах в вольтах (больше нуля).</source>
        <translation>A signal on the screen and its peak-to-peak in volts (above zero) are needed.</translation>
    </message>
</context>
<context>
    <name>MathTool</name>
    <message>
        <source>Выключена</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>A × B (мгновенная мощность)</source>
        <translation>A × B (instantaneous power)</translation>
    </message>
    <message>
        <source>dA/dt (производная канала A)</source>
        <translation>dA/dt (derivative of channel A)</translation>
    </message>
    <message>
        <source>∫A dt (интеграл канала A от начала экрана)</source>
        <translation>∫A dt (integral of channel A from the screen’s start)</translation>
    </message>
    <message>
        <source>Фильтр нижних частот</source>
        <translation>Low-Pass Filter</translation>
    </message>
    <message>
        <source>Фильтр верхних частот</source>
        <translation>High-Pass Filter</translation>
    </message>
    <message>
        <source>Полосовой фильтр</source>
        <translation>Band-Pass Filter</translation>
    </message>
    <message>
        <source>Математика</source>
        <translation>Math</translation>
    </message>
    <message>
        <source>Фильтровать канал B</source>
        <translation>Filter Channel B</translation>
    </message>
    <message>
        <source>Частота фильтра…</source>
        <translation>Filter Frequency…</translation>
    </message>
    <message>
        <source>Частота среза, Гц (у полосового — частота середины полосы):</source>
        <translation>Cutoff frequency, Hz (band-pass: the band’s centre frequency):</translation>
    </message>
    <message>
        <source>Добротность полосового фильтра…</source>
        <translation>Band-Pass Filter Q…</translation>
    </message>
    <message>
        <source>Добротность (частота середины / ширина полосы):</source>
        <translation>Q (centre frequency / bandwidth):</translation>
    </message>
    <message>
        <source>Масштаб M крупнее</source>
        <translation>M Scale Larger</translation>
    </message>
    <message>
        <source>Масштаб M мельче</source>
        <translation>M Scale Smaller</translation>
    </message>
    <message>
        <source>Подобрать масштаб M</source>
        <translation>Fit M Scale</translation>
    </message>
    <message>
        <source>Сдвинуть M вверх</source>
        <translation>Move M Up</translation>
    </message>
    <message>
        <source>Сдвинуть M вниз</source>
        <translation>Move M Down</translation>
    </message>
    <message>
        <source>%1:  нет данных</source>
        <translation>%1:  no data</translation>
    </message>
    <message>
        <source>%1:  f %2   T %3   Размах %4   Макс %5   Мин %6   Сред %7   СКЗ %8   СКЗ~ %9</source>
        <translation>%1:  f %2   T %3   Pk-Pk %4   Max %5   Min %6   Mean %7   RMS %8   AC RMS %9</translation>
    </message>
    <message>
        <source>M = %1: %2/дел.</source>
        <translation>M = %1: %2/div</translation>
    </message>
</context>
<context>
    <name>MathTrace</name>
    <message>
        <source>Выключена</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>ФНЧ</source>
        <translation>LPF</translation>
    </message>
    <message>
        <source>ФВЧ</source>
        <translation>HPF</translation>
    </message>
    <message>
        <source>Полосовой</source>
        <translation>BPF</translation>
    </message>
</context>
<context>
    <name>Measure</name>
    <message>
        <source>%1:  нет данных</source>
        <translation>%1:  no data</translation>
    </message>
    <message>
        <source>%1:  f %2   T %3   Размах %4   Макс %5   Мин %6   Сред %7   СКЗ %8   СКЗ~ %9</source>
        <translation>%1:  f %2   T %3   Pk-Pk %4   Max %5   Min %6   Mean %7   RMS %8   AC RMS %9</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Прервать</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>Повтор</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Пропустить</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>OpenFile</name>
    <message>
        <source>Открытие wav файла</source>
        <translation>Open WAV File</translation>
    </message>
    <message>
        <source> Открыть</source>
        <translation> Open</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Копирование осциллограммы…</source>
        <translation>Copying the waveform…</translation>
    </message>
</context>
<context>
    <name>OutputBox</name>
    <message>
        <source>Выход по умолчанию</source>
        <translation>Default output</translation>
    </message>
</context>
<context>
    <name>OverviewStrip</name>
    <message>
        <source>Обзор всей записи: щелчок или перетаскивание — перейти, колесо — масштаб</source>
        <translation>Overview of the whole recording: click or drag to go there, wheel to zoom</translation>
    </message>
    <message>
        <source>Крупнее (в 10 раз)</source>
        <translation>Zoom in (10 times)</translation>
    </message>
    <message>
        <source>Мельче (в 10 раз)</source>
        <translation>Zoom out (10 times)</translation>
    </message>
    <message>
        <source>Обзор записи строится: %1 %</source>
        <translation>Building the overview: %1 %</translation>
    </message>
    <message>
        <source>Обзор записи не построен: </source>
        <translation>The overview was not built: </translation>
    </message>
</context>
<context>
    <name>OverviewTool</name>
    <message>
        <source>Обзор записи</source>
        <translation>Recording Overview</translation>
    </message>
    <message>
        <source>Полоса обзора всей записи и под записями не длиннее минуты (под длинными она есть всегда)</source>
        <translation>The overview strip of the whole recording also under recordings of a minute or less (longer ones always have it)</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>100 мС</source>
        <translation>100 ms</translation>
    </message>
    <message>
        <source>50 мС</source>
        <translation>50 ms</translation>
    </message>
    <message>
        <source>20 мС</source>
        <translation>20 ms</translation>
    </message>
    <message>
        <source>10 мС</source>
        <translation>10 ms</translation>
    </message>
    <message>
        <source>5 мС</source>
        <translation>5 ms</translation>
    </message>
    <message>
        <source>2 мС</source>
        <translation>2 ms</translation>
    </message>
    <message>
        <source>1 мС</source>
        <translation>1 ms</translation>
    </message>
    <message>
        <source>500 мкС</source>
        <translation>500 µs</translation>
    </message>
    <message>
        <source>200 мкС</source>
        <translation>200 µs</translation>
    </message>
    <message>
        <source>100 мкС</source>
        <translation>100 µs</translation>
    </message>
    <message>
        <source>50 мкС</source>
        <translation>50 µs</translation>
    </message>
    <message>
        <source>100 мВ</source>
        <translation>100 mV</translation>
    </message>
    <message>
        <source>50 мВ</source>
        <translation>50 mV</translation>
    </message>
    <message>
        <source>20 мВ</source>
        <translation>20 mV</translation>
    </message>
    <message>
        <source>10 мВ</source>
        <translation>10 mV</translation>
    </message>
    <message>
        <source>5 мВ</source>
        <translation>5 mV</translation>
    </message>
    <message>
        <source>2 мВ</source>
        <translation>2 mV</translation>
    </message>
    <message>
        <source>1 мВ</source>
        <translation>1 mV</translation>
    </message>
    <message>
        <source>500 мкВ</source>
        <translation>500 µV</translation>
    </message>
    <message>
        <source>200 мкВ</source>
        <translation>200 µV</translation>
    </message>
    <message>
        <source>100 мкВ</source>
        <translation>100 µV</translation>
    </message>
    <message>
        <source>50 мкВ</source>
        <translation>50 µV</translation>
    </message>
    <message>
        <source>20 мкВ</source>
        <translation>20 µV</translation>
    </message>
    <message>
        <source> 5 мВ</source>
        <translation> 5 mV</translation>
    </message>
    <message>
        <source> 2 мВ</source>
        <translation> 2 mV</translation>
    </message>
    <message>
        <source> 1 мВ</source>
        <translation> 1 mV</translation>
    </message>
</context>
<context>
    <name>PersistenceTool</name>
    <message>
        <source>Выключено</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>0,2 с</source>
        <translation>0.2 s</translation>
    </message>
    <message>
        <source>1 с</source>
        <translation>1 s</translation>
    </message>
    <message>
        <source>5 с</source>
        <translation>5 s</translation>
    </message>
    <message>
        <source>Бесконечное</source>
        <translation>Infinite</translation>
    </message>
    <message>
        <source>Послесвечение</source>
        <translation>Persistence</translation>
    </message>
    <message>
        <source>Очистить послесвечение</source>
        <translation>Clear Persistence</translation>
    </message>
    <message>
        <source>Послесвечение: бесконечное</source>
        <translation>Persistence: infinite</translation>
    </message>
    <message>
        <source>Послесвечение: %1 с</source>
        <translation>Persistence: %1 s</translation>
    </message>
</context>
<context>
    <name>PrHelp</name>
    <message>
        <source>Помощь Сигмалит</source>
        <translation>Sigmalit Help</translation>
    </message>
    <message>
        <source>   Для обучения работе с программой нажми ОК</source>
        <translation>   To learn how to use the program, press OK</translation>
    </message>
    <message>
        <source>Не  показывать больше это окно.</source>
        <translation>Do not show this window again.</translation>
    </message>
</context>
<context>
    <name>Pribor</name>
    <message>
        <source>Вкл.режим вычитания каналов</source>
        <translation>Turn on channel subtraction</translation>
    </message>
    <message>
        <source>Откл.режим вычитания каналов</source>
        <translation>Turn off channel subtraction</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>As the System</translation>
    </message>
    <message>
        <source>Открыть осциллограмму</source>
        <translation>Open waveform</translation>
    </message>
    <message>
        <source>Сохранить осциллограмму</source>
        <translation>Save waveform</translation>
    </message>
    <message>
        <source>Печать Осциллограммы</source>
        <translation>Print waveform</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Вкл. запоминания осциллограммы</source>
        <translation>Record the waveform</translation>
    </message>
    <message>
        <source>Просмотр осциллограммы</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Вкл. режим вычитания каналов</source>
        <translation>Turn on channel subtraction</translation>
    </message>
    <message>
        <source>Чувствительность 1-го канала</source>
        <translation>Channel 1 sensitivity</translation>
    </message>
    <message>
        <source>Чувствительность 2-го канала</source>
        <translation>Channel 2 sensitivity</translation>
    </message>
    <message>
        <source>Время развёртки</source>
        <translation>Sweep time</translation>
    </message>
    <message>
        <source>Вольт/Дел.(1)</source>
        <translation>Volts/div (1)</translation>
    </message>
    <message>
        <source>Вольт/Дел.(2)</source>
        <translation>Volts/div (2)</translation>
    </message>
    <message>
        <source>Время/Дел.</source>
        <translation>Time/div</translation>
    </message>
    <message>
        <source>&lt;-----Время в секундах соответствующее началу и концу графика----- &gt;</source>
        <translation>&lt;----- Time in seconds at the start and end of the trace -----&gt;</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Открыть wav</source>
        <translation>&amp;Open WAV</translation>
    </message>
    <message>
        <source>Сохранить wav</source>
        <translation>&amp;Save WAV</translation>
    </message>
    <message>
        <source>Печать</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Просмотр</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Включить Осциллоскоп</source>
        <translation>&amp;Run Oscilloscope</translation>
    </message>
    <message>
        <source>Запоминание осциллограммы</source>
        <translation>Re&amp;cord Waveform</translation>
    </message>
    <message>
        <source>Уровень сигнала</source>
        <translation>Signal &amp;Level</translation>
    </message>
    <message>
        <source>Спектр сигнала</source>
        <translation>Signal S&amp;pectrum</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>Двухлучевой режим</source>
        <translation>&amp;Dual Trace</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>&amp;Parameters</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Вызов справки</source>
        <translation>&amp;Help Contents</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>Синхронизация</source>
        <translation>&amp;Trigger</translation>
    </message>
    <message>
        <source>Без синхронизации</source>
        <translation>Free Run</translation>
    </message>
    <message>
        <source>Автоматическая</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Ждущая</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Однократная</source>
        <translation>Single</translation>
    </message>
    <message>
        <source>От 1-го канала</source>
        <translation>Source: Channel 1</translation>
    </message>
    <message>
        <source>От 2-го канала</source>
        <translation>Source: Channel 2</translation>
    </message>
    <message>
        <source>По фронту</source>
        <translation>Rising Edge</translation>
    </message>
    <message>
        <source>По спаду</source>
        <translation>Falling Edge</translation>
    </message>
    <message>
        <source>Запуск у левого края</source>
        <translation>Trigger at Left Edge</translation>
    </message>
    <message>
        <source>Запуск на 1-м делении</source>
        <translation>Trigger at 1st Division</translation>
    </message>
    <message>
        <source>Запуск в центре</source>
        <translation>Trigger at Center</translation>
    </message>
    <message>
        <source>Удержание запуска</source>
        <translation>Trigger Holdoff</translation>
    </message>
    <message>
        <source>Без удержания</source>
        <translation>No Holdoff</translation>
    </message>
    <message>
        <source>Следующий запуск</source>
        <translation>Next Trigger</translation>
    </message>
    <message>
        <source>Предыдущий запуск</source>
        <translation>Previous Trigger</translation>
    </message>
    <message>
        <source>Измерения</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>Калибровка…</source>
        <translation>Calibration…</translation>
    </message>
    <message>
        <source>Калибровка: показания ×%1</source>
        <translation>Calibration: readings ×%1</translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>Ошибка принтера! В операционной системе не установлен ни один драйвер принтера!</source>
        <translation>Printer error! No printer driver is installed in the system!</translation>
    </message>
    <message>
        <source>100 мВольт</source>
        <translation>100 mV</translation>
    </message>
    <message>
        <source>50 мВольт</source>
        <translation>50 mV</translation>
    </message>
    <message>
        <source>20 мВольт</source>
        <translation>20 mV</translation>
    </message>
    <message>
        <source>10 мВольт</source>
        <translation>10 mV</translation>
    </message>
    <message>
        <source>5 мВольт</source>
        <translation>5 mV</translation>
    </message>
    <message>
        <source>2 мВольта</source>
        <translation>2 mV</translation>
    </message>
    <message>
        <source>1 мВольт</source>
        <translation>1 mV</translation>
    </message>
    <message>
        <source>500 мкВольт</source>
        <translation>500 µV</translation>
    </message>
    <message>
        <source>200 мкВольт</source>
        <translation>200 µV</translation>
    </message>
    <message>
        <source>100 мкВольт</source>
        <translation>100 µV</translation>
    </message>
    <message>
        <source>50 мкВольт</source>
        <translation>50 µV</translation>
    </message>
    <message>
        <source>20 мкВольт</source>
        <translation>20 µV</translation>
    </message>
    <message>
        <source>5 мВольта</source>
        <translation>5 mV</translation>
    </message>
    <message>
        <source>Параметры развёртки: </source>
        <translation>Sweep parameters: </translation>
    </message>
    <message>
        <source> Вольт/Деление 1 = </source>
        <translation> Volts/div 1 = </translation>
    </message>
    <message>
        <source>   Вольт/Деление 2 = </source>
        <translation>   Volts/div 2 = </translation>
    </message>
    <message>
        <source>   Время/Деление = </source>
        <translation>   Time/div = </translation>
    </message>
    <message>
        <source> мСек</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Параметры развёртки:  </source>
        <translation>Sweep parameters:  </translation>
    </message>
    <message>
        <source>  Вольт/Деление = </source>
        <translation>  Volts/div = </translation>
    </message>
    <message>
        <source>Время/Деление = </source>
        <translation>Time/div = </translation>
    </message>
</context>
<context>
    <name>ReferenceTool</name>
    <message>
        <source>Опорные осциллограммы</source>
        <translation>Reference Traces</translation>
    </message>
    <message>
        <source>Запоминать канал A</source>
        <translation>Store Channel A</translation>
    </message>
    <message>
        <source>Запоминать канал B</source>
        <translation>Store Channel B</translation>
    </message>
    <message>
        <source>Запоминать M</source>
        <translation>Store M</translation>
    </message>
    <message>
        <source>Запомнить как опорную R%1</source>
        <translation>Store as Reference R%1</translation>
    </message>
    <message>
        <source>%1, %2/дел., %3/дел.</source>
        <translation>%1, %2/div, %3/div</translation>
    </message>
    <message>
        <source>Показывать R%1</source>
        <translation>Show R%1</translation>
    </message>
    <message>
        <source>%1 (файл не читается: %2)</source>
        <translation>%1 (file unreadable: %2)</translation>
    </message>
    <message>
        <source>%1 (пусто)</source>
        <translation>%1 (empty)</translation>
    </message>
    <message>
        <source>На экране нет осциллограммы, которую можно запомнить.</source>
        <translation>There is no trace on the screen to store.</translation>
    </message>
    <message>
        <source>M не показана: выберите её в меню «Математика».</source>
        <translation>M is not shown: choose it in the Math menu.</translation>
    </message>
    <message>
        <source>Канал B не показан.</source>
        <translation>Channel B is not shown.</translation>
    </message>
    <message>
        <source>Опорная осциллограмма R%1 не запомнена.
%2</source>
        <translation>Reference trace R%1 was not stored.
%2</translation>
    </message>
</context>
<context>
    <name>Response</name>
    <message>
        <source>нет звукового входа</source>
        <translation>no sound input</translation>
    </message>
    <message>
        <source>звуковой вход перестал отвечать</source>
        <translation>the sound input stopped answering</translation>
    </message>
</context>
<context>
    <name>ResponseChart</name>
    <message>
        <source> к</source>
        <translation> k</translation>
    </message>
    <message>
        <source>%1 Гц: %2 дБ, %3°</source>
        <translation>%1 Hz: %2 dB, %3°</translation>
    </message>
    <message>
        <source>Гц</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source> дБ</source>
        <translation> dB</translation>
    </message>
</context>
<context>
    <name>ResponseWindow</name>
    <message>
        <source>АЧХ и ФЧХ</source>
        <translation>Frequency Response</translation>
    </message>
    <message>
        <source> Гц</source>
        <translation> Hz</translation>
    </message>
    <message>
        <source> дБFS</source>
        <translation> dBFS</translation>
    </message>
    <message>
        <source> с</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Сколько ждать после смены частоты, прежде чем измерять</source>
        <translation>How long to wait after each change of frequency before measuring</translation>
    </message>
    <message>
        <source>От:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>До:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Точек на октаву:</source>
        <translation>Points per octave:</translation>
    </message>
    <message>
        <source>Уровень:</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>Установление:</source>
        <translation>Settle time:</translation>
    </message>
    <message>
        <source>Измерить</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Таблица CSV…</source>
        <translation>CSV Table…</translation>
    </message>
    <message>
        <source>Рисунок PNG…</source>
        <translation>PNG Picture…</translation>
    </message>
    <message>
        <source>Рисунок SVG…</source>
        <translation>SVG Picture…</translation>
    </message>
    <message>
        <source>Выход 1 (левый) — на вход цепи, её выход — на вход 1.
Выход 2 (правый) — прямо на вход 2: это опорный сигнал.</source>
        <translation>Output 1 (left) to the circuit’s input, its output to input 1.
Output 2 (right) straight to input 2: that is the reference.</translation>
    </message>
    <message>
        <source>Соедините цепь и нажмите «Измерить».</source>
        <translation>Connect the circuit and press “Measure”.</translation>
    </message>
    <message>
        <source>Измерение не началось: </source>
        <translation>The measurement did not start: </translation>
    </message>
    <message>
        <source>Идёт измерение…</source>
        <translation>Measuring…</translation>
    </message>
    <message>
        <source>Вход 2 перегружен: уменьшите уровень, точки с перегрузкой недостоверны.</source>
        <translation>Input 2 clips: lower the level; the points measured while it clipped cannot be trusted.</translation>
    </message>
    <message>
        <source>На входе 2 нет сигнала (тише −60 дБFS): проверьте, что выход 2 соединён со входом 2.</source>
        <translation>No signal on input 2 (below −60 dBFS): check that output 2 is connected to input 2.</translation>
    </message>
    <message>
        <source>Измерение прервано: </source>
        <translation>The measurement stopped: </translation>
    </message>
    <message>
        <source>Измерение отменено: %1 точек из %2.</source>
        <translation>Measurement cancelled: %1 points of %2.</translation>
    </message>
    <message>
        <source>Готово: %1 точек за %2 с.</source>
        <translation>Done: %1 points in %2 s.</translation>
    </message>
    <message>
        <source>АЧХ и ФЧХ: %1–%2 Гц, %3 точек на октаву, уровень %4 дБFS</source>
        <translation>Frequency response: %1–%2 Hz, %3 points per octave, level %4 dBFS</translation>
    </message>
    <message>
        <source>Сначала измерьте: сохранять пока нечего.</source>
        <translation>Measure first: there is nothing to save yet.</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>Рисунок PNG (*.png)</source>
        <translation>PNG picture (*.png)</translation>
    </message>
    <message>
        <source>Рисунок SVG (*.svg)</source>
        <translation>SVG picture (*.svg)</translation>
    </message>
    <message>
        <source>Сохранить АЧХ и ФЧХ</source>
        <translation>Save the Frequency Response</translation>
    </message>
    <message>
        <source>Некоторые точки неустойчивы: сигнал прерывался или тонул в шуме и после повторных попыток.</source>
        <translation>Some points are unsteady: the signal dropped out or was lost in noise even when measured again.</translation>
    </message>
    <message>
        <source>Выход:</source>
        <translation>Output:</translation>
    </message>
</context>
<context>
    <name>SaveFile</name>
    <message>
        <source>Сохранение осциллограммы</source>
        <translation>Save Waveform</translation>
    </message>
    <message>
        <source>Имя файла:</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Не задано имя файла для сохранения!</source>
        <translation>No file name given to save to!</translation>
    </message>
    <message>
        <source>Осциллограмма копируется на другой диск...</source>
        <translation>Copying the waveform to another disk...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SaveZvuk</name>
    <message>
        <source>Индикатор запоминания</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>Идет запись осциллограммы на диск, по истечении 1-ой минуты запись будет остановленна автоматически!  Для принудительной остановки нажмите любую клавишу!</source>
        <translation>Recording the waveform to disk; recording stops by itself after 1 minute!  Press any key to stop it sooner!</translation>
    </message>
    <message>
        <source>%v с</source>
        <translation>%v s</translation>
    </message>
    <message>
        <source>Остановка записи осциллограммы</source>
        <translation>Stop Recording</translation>
    </message>
    <message>
        <source>Идет запись осциллограммы прямо на диск, по истечении заданного времени запись будет остановлена автоматически.  Стоп или любая клавиша останавливают её раньше, всё записанное сохраняется.</source>
        <translation>Recording the waveform straight to disk; recording stops by itself after the set time.  Stop or any key stops it sooner; everything recorded is kept.</translation>
    </message>
    <message>
        <source>Идет запись осциллограммы прямо на диск до остановки.  Стоп или любая клавиша останавливают её, всё записанное сохраняется.</source>
        <translation>Recording the waveform straight to disk until stopped.  Stop or any key stops it; everything recorded is kept.</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>Scala</name>
    <message>
        <source>Уровень сигнала (дБ)</source>
        <translation>Signal Level (dB)</translation>
    </message>
    <message>
        <source>Уровень ЛК</source>
        <translation>Level L</translation>
    </message>
    <message>
        <source>Уровень  ПК</source>
        <translation>Level  R</translation>
    </message>
    <message>
        <source>ЛК</source>
        <translation>L</translation>
    </message>
    <message>
        <source>ПК</source>
        <translation>R</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>файл настроек %1 не читается (%2), действуют настройки по умолчанию</source>
        <translation>the settings file %1 cannot be read (%2), default settings apply</translation>
    </message>
    <message>
        <source>%1 не является обычным файлом, действуют настройки по умолчанию</source>
        <translation>%1 is not a regular file, default settings apply</translation>
    </message>
    <message>
        <source>файл настроек %1 слишком велик, действуют настройки по умолчанию</source>
        <translation>the settings file %1 is too large, default settings apply</translation>
    </message>
    <message>
        <source>файл настроек %1 не читается, действуют настройки по умолчанию</source>
        <translation>the settings file %1 cannot be read, default settings apply</translation>
    </message>
    <message>
        <source>настройки не сохранены: не удалось создать папку %1</source>
        <translation>settings not saved: could not create the folder %1</translation>
    </message>
    <message>
        <source>настройки не сохранены: не удалось создать файл рядом с %1 (%2)</source>
        <translation>settings not saved: could not create a file beside %1 (%2)</translation>
    </message>
    <message>
        <source>настройки не сохранены: не удалось записать файл %1 (%2)</source>
        <translation>settings not saved: could not write the file %1 (%2)</translation>
    </message>
</context>
<context>
    <name>Sigmalit</name>
    <message>
        <source>Сигмалит</source>
        <translation>Sigmalit</translation>
    </message>
</context>
<context>
    <name>Spectrum</name>
    <message>
        <source>Частота, Гц</source>
        <translation>Frequency, Hz</translation>
    </message>
</context>
<context>
    <name>SpectrumWindow</name>
    <message>
        <source>Спектр сигнала</source>
        <translation>Signal Spectrum</translation>
    </message>
    <message>
        <source>Ханна</source>
        <translation>Hann</translation>
    </message>
    <message>
        <source>Блэкмана — Харриса</source>
        <translation>Blackman-Harris</translation>
    </message>
    <message>
        <source>С плоской вершиной</source>
        <translation>Flat Top</translation>
    </message>
    <message>
        <source>дБFS</source>
        <translation>dBFS</translation>
    </message>
    <message>
        <source>дБВ</source>
        <translation>dBV</translation>
    </message>
    <message>
        <source>линейная</source>
        <translation>linear</translation>
    </message>
    <message>
        <source>логарифмическая</source>
        <translation>logarithmic</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>линейное</source>
        <translation>linear</translation>
    </message>
    <message>
        <source>экспоненциальное</source>
        <translation>exponential</translation>
    </message>
    <message>
        <source>Удержание пиков</source>
        <translation>Peak Hold</translation>
    </message>
    <message>
        <source>Сброс</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Начать усреднение и удержание пиков заново</source>
        <translation>Restart averaging and peak hold</translation>
    </message>
    <message>
        <source>БПФ</source>
        <translation>FFT</translation>
    </message>
    <message>
        <source>Окно</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Частоты</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>Усреднение</source>
        <translation>Averaging</translation>
    </message>
    <message>
        <source>ЛК</source>
        <translation>L</translation>
    </message>
    <message>
        <source>ПК</source>
        <translation>R</translation>
    </message>
    <message>
        <source>нет сигнала</source>
        <translation>no signal</translation>
    </message>
    <message>
        <source>пик %1 Гц, %2 %3</source>
        <translation>peak %1 Hz, %2 %3</translation>
    </message>
    <message>
        <source>; КНИ %1 дБ (%2 %)</source>
        <translation>; THD %1 dB (%2 %)</translation>
    </message>
    <message>
        <source>; КНИ+Ш %1 дБ</source>
        <translation>; THD+N %1 dB</translation>
    </message>
    <message>
        <source>Нет данных: спектр строится при каждой перерисовке экрана</source>
        <translation>No data: the spectrum is computed at every redraw of the screen</translation>
    </message>
    <message>
        <source>Отсчётов %1 из %2, шаг %3 Гц, спектров %4</source>
        <translation>Samples %1 of %2, bin %3 Hz, spectra %4</translation>
    </message>
</context>
<context>
    <name>TimeMen</name>
    <message>
        <source>Параметры</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>Частота обновления осциллограммы (секунды)</source>
        <translation>Refresh period (seconds)</translation>
    </message>
    <message>
        <source>Центровка лучей</source>
        <translation>Center the Traces</translation>
    </message>
    <message>
        <source>Дискретизация 48 кГц</source>
        <translation>Sample at 48 kHz</translation>
    </message>
    <message>
        <source>С частотой экрана</source>
        <translation>At Display Rate</translation>
    </message>
    <message>
        <source>Живая картина обновляется с частотой экрана по самым свежим отсчётам; период обновления на это время не действует</source>
        <translation>The live picture is redrawn at the display’s rate from the newest samples; the refresh period does not apply meanwhile</translation>
    </message>
    <message>
        <source>Запись:</source>
        <translation>Recording:</translation>
    </message>
    <message>
        <source>1 минута</source>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>10 минут</source>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>1 час</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>10 часов</source>
        <translation>10 hours</translation>
    </message>
    <message>
        <source>до остановки</source>
        <translation>until stopped</translation>
    </message>
    <message>
        <source>Сколько длится запоминание осциллограммы. Минута держится в памяти; более долгая запись идёт прямо на диск</source>
        <translation>How long recording the waveform lasts. A minute is kept in memory; a longer recording goes straight to disk</translation>
    </message>
    <message>
        <source>Период обновления: %1 с</source>
        <translation>Refresh period: %1 s</translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>Тренд измерений</source>
        <translation>Measurement Trend</translation>
    </message>
    <message>
        <source>Частота, Гц</source>
        <translation>Frequency, Hz</translation>
    </message>
    <message>
        <source>СКЗ, В</source>
        <translation>RMS, V</translation>
    </message>
    <message>
        <source>Размах, В</source>
        <translation>Peak-to-peak, V</translation>
    </message>
    <message>
        <source>Среднее, В</source>
        <translation>Mean, V</translation>
    </message>
    <message>
        <source>Что измерять каждую секунду записи в канале синхронизации</source>
        <translation>What to measure each second of the recording on the trigger’s channel</translation>
    </message>
    <message>
        <source>Прервать</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Сохранить CSV…</source>
        <translation>Save CSV…</translation>
    </message>
    <message>
        <source>Прервано: показаны секунды до места остановки.</source>
        <translation>Stopped: the seconds up to there are shown.</translation>
    </message>
    <message>
        <source>Нет записи: откройте осциллограмму или остановите запись.</source>
        <translation>No recording: open an oscillogram or stop capturing.</translation>
    </message>
    <message>
        <source>Запись не прочитана: %1</source>
        <translation>The recording could not be read: %1</translation>
    </message>
    <message>
        <source>Секунд: %1</source>
        <translation>Seconds: %1</translation>
    </message>
    <message>
        <source>Сохранить тренд</source>
        <translation>Save the trend</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>Тренд не сохранён: %1</source>
        <translation>The trend was not saved: %1</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>с</source>
        <translation>s</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>мкс</source>
        <translation>µs</translation>
    </message>
    <message>
        <source>В</source>
        <translation>V</translation>
    </message>
    <message>
        <source>мВ</source>
        <translation>mV</translation>
    </message>
    <message>
        <source>мкВ</source>
        <translation>µV</translation>
    </message>
    <message>
        <source>кГц</source>
        <translation>kHz</translation>
    </message>
    <message>
        <source>Гц</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>В²</source>
        <translation>V²</translation>
    </message>
    <message>
        <source>В/с</source>
        <translation>V/s</translation>
    </message>
    <message>
        <source>В·с</source>
        <translation>V·s</translation>
    </message>
    <message>
        <source>п</source>
        <translation>p</translation>
    </message>
    <message>
        <source>н</source>
        <translation>n</translation>
    </message>
    <message>
        <source>мк</source>
        <translation>µ</translation>
    </message>
    <message>
        <source>м</source>
        <translation>m</translation>
    </message>
    <message>
        <source>к</source>
        <translation>k</translation>
    </message>
    <message>
        <source>М</source>
        <translation>M</translation>
    </message>
    <message>
        <source>Г</source>
        <translation>G</translation>
    </message>
    <message>
        <source>мкС</source>
        <translation>µs</translation>
    </message>
    <message>
        <source>мС</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>С</source>
        <translation>s</translation>
    </message>
    <message>
        <source> дБ</source>
        <translation> dB</translation>
    </message>
</context>
<context>
    <name>XYTool</name>
    <message>
        <source>Развёртка X-Y (фигуры Лиссажу)</source>
        <translation>X-Y Mode (Lissajous Figures)</translation>
    </message>
    <message>
        <source>Для X-Y нужен двухлучевой режим</source>
        <translation>X-Y needs Dual Trace</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Версия </source>
        <translation>Version </translation>
    </message>
    <message>
        <source>Запоминающий осциллограф на звуковой карте компьютера:
два луча, запись осциллограмм до одной минуты,
просмотр, сохранение и печать WAV-осциллограмм.</source>
        <translation>A storage oscilloscope on the computer’s sound card:
two traces, recording waveforms up to one minute,
viewing, saving and printing WAV waveforms.</translation>
    </message>
    <message>
        <source>&amp;Информация  о системе</source>
        <translation>&amp;System Information</translation>
    </message>
    <message>
        <source>О программе </source>
        <translation>About </translation>
    </message>
</context>
</TS>
