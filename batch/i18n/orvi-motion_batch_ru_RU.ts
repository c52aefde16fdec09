<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>BatchCommandLine</name>
    <message>
        <location filename="../BatchCommandLine.cpp" line="+53"/>
        <source>Capture frame rate of the camera in fps, or &quot;detected&quot; for the rate each file declares. Required.</source>
        <translation>Частота кадров съёмки камеры в fps или «detected» — частота, указанная в каждом файле. Обязательно.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>First frame, from 0 (default 0).</source>
        <translation>Первый кадр, от 0 (по умолчанию 0).</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>End frame, exclusive (default: the whole recording, as far as the analysis grid allows).</source>
        <translation>Конечный кадр, не включая его (по умолчанию вся запись, насколько позволяет сетка анализа).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Region as fractions of the frame: x,y,width,height (default 0,0,1,1).</source>
        <translation>Область в долях кадра: x,y,ширина,высота (по умолчанию 0,0,1,1).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Analysis grid: 0 (16 x 8), 1 (32 x 16, default) or 2 (64 x 32).</source>
        <translation>Сетка анализа: 0 (16 x 8), 1 (32 x 16, по умолчанию) или 2 (64 x 32).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Worker threads per recording (default: shared out by the run).</source>
        <translation>Рабочих потоков на запись (по умолчанию распределяются запуском).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>A known length: two points as fractions of the frame and their distance in millimetres; amplitudes are then in micrometres.</source>
        <translation>Известная длина: две точки в долях кадра и расстояние между ними в миллиметрах; тогда амплитуды даются в микрометрах.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Exports of each analysed recording, among pdf, docx, csv, json and png (default pdf,json).</source>
        <translation>Экспорт каждой проанализированной записи: pdf, docx, csv, json и png (по умолчанию pdf,json).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Amplified band in Hz: lower,upper.</source>
        <translation>Усиливаемая полоса в Гц: нижняя,верхняя.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Amplification factor.</source>
        <translation>Коэффициент усиления.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Take the amplification settings from the parameters file of an earlier export; other options override them.</source>
        <translation>Взять настройки усиления из файла параметров прежнего экспорта; остальные параметры командной строки их переопределяют.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Amplify the whole frame, not only around the region.</source>
        <translation>Усиливать весь кадр, а не только окрестность области.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Compensate camera motion, measured on this still part of the scene as fractions of the frame: x,y,width,height. Removes the camera&apos;s shift from the analysis and the amplification; rotation, zoom and parallax remain.</source>
        <translation>Компенсировать движение камеры, измеренное по этой неподвижной части сцены, в долях кадра: x,y,ширина,высота. Сдвиг камеры устраняется из анализа и усиления; поворот, зум и параллакс остаются.</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>Spectrum analysis or motion amplification of many recordings without the window.

Verbs:
  analyse  spectrum analysis and exports of each recording, and a summary table
  amplify  amplified video and parameters file of each recording
  list     the job&apos;s recordings with their indexes, for job runners
  merge    one summary from the summaries of shards</source>
        <translation>Спектральный анализ или усиление движения многих записей без окна.

Команды:
  analyse  спектральный анализ и экспорт каждой записи и сводная таблица
  amplify  усиленное видео и файл параметров каждой записи
  list     записи задания с их номерами, для систем запуска заданий
  merge    одна сводка из сводок частей</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>analyse, amplify, list or merge.</source>
        <translation>analyse, amplify, list или merge.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Video files or folders of them; for merge, summary parts or the folder that holds them.</source>
        <translation>Видеофайлы или папки с ними; для merge — части сводки или папка, где они лежат.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Job file (JSON): defaults, recordings and their own settings.</source>
        <translation>Файл задания (JSON): значения по умолчанию, записи и их собственные настройки.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>File that names one recording a line.</source>
        <translation>Файл, в каждой строке которого названа одна запись.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Folder of the outputs and the summary (default: the job file&apos;s &quot;output&quot;, else the current folder).</source>
        <translation>Папка результатов и сводки (по умолчанию «output» файла задания, иначе текущая папка).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Run only these recordings of the job, by index from 0: 3, 0,4,7 or 2-5.</source>
        <translation>Обработать только эти записи задания, по номеру от 0: 3, 0,4,7 или 2-5.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Run only shard K of N: the recordings whose index modulo N is K.</source>
        <translation>Обработать только часть K из N: записи, номер которых по модулю N равен K.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Recordings processed at once (default: the number of processors).</source>
        <translation>Записей, обрабатываемых одновременно (по умолчанию число процессоров).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Memory the run may use, such as 4G or 800M (default: half of the machine&apos;s, less when less is free).</source>
        <translation>Память, доступная запуску, например 4G или 800M (по умолчанию половина памяти машины, меньше, если свободно меньше).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Path of the summary without extension (default: summary in the output folder, or summary-PART for a part of the job).</source>
        <translation>Путь сводки без расширения (по умолчанию summary в папке результатов или summary-ЧАСТЬ для части задания).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Progress as plain lines even on a terminal.</source>
        <translation>Выводить ход работы простыми строками даже в терминале.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Name a verb first: analyse, amplify, list or merge.</source>
        <translation>Сначала укажите команду: analyse, amplify, list или merge.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>--parallel takes a count from 1 to 256.</source>
        <translation>--parallel принимает число от 1 до 256.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>--memory-limit takes a size such as 4G or 800M.</source>
        <translation>--memory-limit принимает размер, например 4G или 800M.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The option --%1 has an unusable value: %2</source>
        <translation>У параметра --%1 непригодное значение: %2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>options</source>
        <translation>параметры</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Give --only or --shard, not both.</source>
        <translation>Укажите --only или --shard, но не оба.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>--only takes indexes from 0 to %1, such as 3, 0,4,7 or 2-5.</source>
        <translation>--only принимает номера от 0 до %1, например 3, 0,4,7 или 2-5.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>--shard takes K/N with K from 0 to N - 1, such as 0/4.</source>
        <translation>--shard принимает K/N, где K от 0 до N - 1, например 0/4.</translation>
    </message>
</context>
<context>
    <name>BatchJobLoader</name>
    <message>
        <location filename="../BatchJob.cpp" line="+46"/>
        <source>The folder %1 holds no video files.</source>
        <translation>В папке %1 нет видеофайлов.</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Cannot read the job file %1: %2</source>
        <translation>Не удаётся прочитать файл задания %1: %2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The job file %1 is not a JSON object: %2</source>
        <translation>Файл задания %1 не является объектом JSON: %2</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The job file %1 has an unknown key &quot;%2&quot;.</source>
        <translation>В файле задания %1 неизвестный ключ «%2».</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>defaults</source>
        <translation>defaults</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Recording %1 of the job file names no &quot;input&quot;.</source>
        <translation>В записи %1 файла задания не указан «input».</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>Cannot read the list file %1: %2</source>
        <translation>Не удаётся прочитать файл списка %1: %2</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>The job file is for &quot;%1&quot;, not for &quot;%2&quot;.</source>
        <translation>Файл задания предназначен для «%1», а не для «%2».</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>No recordings to process: name video files or folders, a list file or a job file.</source>
        <translation>Нет записей для обработки: укажите видеофайлы или папки, файл списка или файл задания.</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Two recordings would write the same outputs: %1 and %2. Rename one or process them into different output folders.</source>
        <translation>Две записи записали бы одинаковые результаты: %1 и %2. Переименуйте одну из них или обработайте их в разные папки результатов.</translation>
    </message>
</context>
<context>
    <name>BatchMain</name>
    <message>
        <location filename="../main.cpp" line="+68"/>
        <source>Merged %1 parts into %2.json and %2.csv.</source>
        <translation>Объединено частей: %1, в %2.json и %2.csv.</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>Cannot create the output folder %1.</source>
        <translation>Не удаётся создать папку результатов %1.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1 of %2 recordings, %3 at once, memory bound %4 MiB.</source>
        <translation>Записей: %1 из %2, одновременно %3, предел памяти %4 МиБ.</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>%1 done, %2 skipped, %3 failed, %4 stopped. Summary: %5.json and %5.csv</source>
        <translation>Готово: %1, пропущено: %2, с ошибкой: %3, остановлено: %4. Сводка: %5.json и %5.csv</translation>
    </message>
</context>
<context>
    <name>BatchSettings</name>
    <message>
        <location filename="../BatchSettings.cpp" line="+30"/>
        <source>The setting &quot;%1&quot; has an unusable value.</source>
        <translation>У настройки «%1» непригодное значение.</translation>
    </message>
    <message>
        <location line="+144"/>
        <source>Unknown setting &quot;%1&quot;.</source>
        <translation>Неизвестная настройка «%1».</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Unknown export &quot;%1&quot;: choose among pdf, docx, csv, json and png.</source>
        <translation>Неизвестный формат экспорта «%1»: выберите из pdf, docx, csv, json и png.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Cannot read the parameters file %1: %2</source>
        <translation>Не удаётся прочитать файл параметров %1: %2</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>%1 is not a parameters file of an amplified video.</source>
        <translation>%1 не является файлом параметров усиленного видео.</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>A parameters file only applies to amplification.</source>
        <translation>Файл параметров применим только к усилению.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The capture frame rate is required: state it with --capture-rate or &quot;captureRate&quot;, or ask for the recording&apos;s own rate with &quot;detected&quot;.</source>
        <translation>Нужна частота кадров съёмки: укажите её через --capture-rate или «captureRate» либо возьмите собственную частоту записи значением «detected».</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The end frame must come after the start frame.</source>
        <translation>Конечный кадр должен идти после начального.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Amplification needs a band and a factor, or a parameters file that records them.</source>
        <translation>Для усиления нужны полоса и коэффициент или файл параметров, где они записаны.</translation>
    </message>
</context>
<context>
    <name>BatchSummary</name>
    <message>
        <location filename="../BatchSummary.cpp" line="+132"/>
        <source>Cannot write the summary %1: %2</source>
        <translation>Не удаётся записать сводку %1: %2</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>%1 exists and is not a summary of this program; it is not replaced. Choose another place with --summary.</source>
        <translation>%1 существует и не является сводкой этой программы; он не заменён. Выберите другое место через --summary.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Cannot create the folder of the summary %1.</source>
        <translation>Не удаётся создать папку сводки %1.</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>No summary parts to merge.</source>
        <translation>Нет частей сводки для объединения.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%1 is not a summary of this program.</source>
        <translation>%1 не является сводкой этой программы.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 belongs to another job than %2.</source>
        <translation>%1 относится к другому заданию, чем %2.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>No summary part reports this recording.</source>
        <translation>Ни одна часть сводки не сообщает об этой записи.</translation>
    </message>
</context>
<context>
    <name>RecordingOutputs</name>
    <message>
        <location filename="../RecordingOutputs.cpp" line="+59"/>
        <source>Outputs of another job or of other settings exist for this recording (%1). Nothing was replaced: move them away or choose another output folder.</source>
        <translation>Для этой записи уже есть результаты другого задания или других настроек (%1). Ничего не заменено: переместите их или выберите другую папку результатов.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1 is missing although an earlier run published it. Nothing was replaced: remove %2 to process the recording again.</source>
        <translation>%1 отсутствует, хотя прежний запуск его опубликовал. Ничего не заменено: удалите %2, чтобы обработать запись заново.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>An output already exists: %1. Nothing was replaced.</source>
        <translation>Результат уже существует: %1. Ничего не заменено.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Cannot create the output folder %1.</source>
        <translation>Не удаётся создать папку результатов %1.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Cannot create a staging folder in %1.</source>
        <translation>Не удаётся создать промежуточную папку в %1.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Cannot write %1: %2</source>
        <translation>Не удаётся записать %1: %2</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Publishing %1 failed, so none of this recording&apos;s outputs were kept: %2</source>
        <translation>Не удалось опубликовать %1, поэтому ни один результат этой записи не сохранён: %2</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Cannot read %1: %2</source>
        <translation>Не удаётся прочитать %1: %2</translation>
    </message>
</context>
<context>
    <name>RecordingTask</name>
    <message>
        <location filename="../RecordingTask.cpp" line="+86"/>
        <source>The recording declares no frame rate: state the capture frame rate for it.</source>
        <translation>В записи не указана частота кадров: задайте для неё частоту кадров съёмки.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Stopped before it finished; nothing of it was published.</source>
        <translation>Остановлено до завершения; ничего из этого не опубликовано.</translation>
    </message>
    <message>
        <location line="+52"/>
        <source>The known length is unusable: its points must lie in the frame, at least a pixel apart, and its length above 0 mm.</source>
        <translation>Известная длина непригодна: её точки должны лежать в кадре не ближе пикселя друг к другу, а длина — быть больше 0 мм.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Spectrum analysis failed.</source>
        <translation>Спектральный анализ не удался.</translation>
    </message>
    <message>
        <location line="+131"/>
        <source>Not started: the run was stopped.</source>
        <translation>Не начато: запуск остановлен.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Outputs exist and match the job.</source>
        <translation>Результаты существуют и соответствуют заданию.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Unexpected error: %1</source>
        <translation>Непредвиденная ошибка: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Unknown error.</source>
        <translation>Неизвестная ошибка.</translation>
    </message>
</context>
<context>
    <name>orvi::batch::BatchProgress</name>
    <message>
        <location filename="../BatchProgress.cpp" line="+28"/>
        <source>done</source>
        <translation>готово</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>skipped</source>
        <translation>пропущено</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>stopped</source>
        <translation>остановлено</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>FAILED</source>
        <translation>ОШИБКА</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>%1 h %2 min</source>
        <translation>%1 ч %2 мин</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 min %2 s</source>
        <translation>%1 мин %2 с</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%1% of the run, %2.</source>
        <translation>%1% запуска, %2.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>[%1/%2] %3: %4</source>
        <translation>[%1/%2] %3: %4</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>estimating the remaining time</source>
        <translation>оценка оставшегося времени</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>about %1 left</source>
        <translation>осталось около %1</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>[%1] %2% · %3 of %4 recordings · %5</source>
        <translation>[%1] %2% · %3 из %4 записей · %5</translation>
    </message>
</context>
</TS>
