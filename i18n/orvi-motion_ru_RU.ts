<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AmplificationSettingsDialog</name>
    <message>
        <location filename="../ui/qml/panels/AmplificationSettingsDialog.qml" line="+30"/>
        <source>Vibration amplification</source>
        <translation>Усиление вибраций</translation>
    </message>
    <message>
        <location line="+135"/>
        <source>Source recording frame rate</source>
        <translation>Частота кадров съёмки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 FPS</source>
        <translation>%1 кадр/с</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Capture frame rate</source>
        <translation>Частота кадров съёмки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FPS</source>
        <translation>кадр/с</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Frequency filter</source>
        <translation>Частотный фильтр</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1–%2 Hz</source>
        <translation>%1–%2 Гц</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Lower frequency</source>
        <translation>Нижняя частота</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+12"/>
        <source>Hz</source>
        <translation>Гц</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Upper frequency</source>
        <translation>Верхняя частота</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Frequency filter helper…</source>
        <translation>Помощник частотного фильтра…</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Amplification</source>
        <translation>Усиление</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Factor: %1</source>
        <translation>Коэффициент: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Amplification factor</source>
        <translation>Коэффициент усиления</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Computing resources</source>
        <translation>Вычислительные ресурсы</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Automatic · %1 threads</source>
        <translation>Автоматически · потоков: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Manual · %1 threads</source>
        <translation>Вручную · потоков: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Choose how many worker threads the motion processor may use.</source>
        <translation>Выберите, сколько рабочих потоков может использовать обработчик движения.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Automatic (recommended)</source>
        <translation>Автоматически (рекомендуется)</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Manual worker count</source>
        <translation>Число потоков вручную</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>threads</source>
        <translation>потоков</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Available logical processors: %1</source>
        <translation>Доступно логических процессоров: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Worker threads in use: %1</source>
        <translation>Используется рабочих потоков: %1</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Frame processing</source>
        <translation>Обработка кадра</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Analysis region: %1 × %2 px</source>
        <translation>Область анализа: %1 × %2 пикс.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Optimization on</source>
        <translation>Оптимизация включена</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Optimization off</source>
        <translation>Оптимизация выключена</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This section is available when a frame region is selected.</source>
        <translation>Раздел доступен, когда выбрана область кадра.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Optimize processing for selected region</source>
        <translation>Оптимизировать обработку для выбранной области</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The selected region uses the configured amplification; the surrounding ring uses half.</source>
        <translation>В выбранной области применяется заданное усиление, в окружающем её кольце — половина.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The full frame will be processed.</source>
        <translation>Будет обработан весь кадр.</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Start amplification</source>
        <translation>Запустить усиление</translation>
    </message>
</context>
<context>
    <name>AnalysisExportDialog</name>
    <message>
        <location filename="../ui/qml/panels/AnalysisExportDialog.qml" line="+19"/>
        <source>PDF report</source>
        <translation>Отчёт PDF</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>PDF document (*.pdf)</source>
        <translation>Документ PDF (*.pdf)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DOCX report</source>
        <translation>Отчёт DOCX</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Word document (*.docx)</source>
        <translation>Документ Word (*.docx)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Spectrum CSV</source>
        <translation>Спектр CSV</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+1"/>
        <source>CSV table (*.csv)</source>
        <translation>Таблица CSV (*.csv)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Cell data CSV</source>
        <translation>Данные ячеек CSV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Analysis data JSON</source>
        <translation>Данные анализа JSON</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>JSON data (*.json)</source>
        <translation>Данные JSON (*.json)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Spectrum PNG</source>
        <translation>Спектр PNG</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+1"/>
        <location line="+1"/>
        <source>PNG image (*.png)</source>
        <translation>Изображение PNG (*.png)</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Power map PNG</source>
        <translation>Карта мощности PNG</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Phase map PNG</source>
        <translation>Карта фаз PNG</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+123"/>
        <source>Export analysis</source>
        <translation>Экспорт анализа</translation>
    </message>
    <message>
        <location line="-59"/>
        <source>Logarithmic power scale</source>
        <translation>Логарифмическая шкала мощности</translation>
    </message>
    <message>
        <location line="-9"/>
        <source>%1 (not calculated yet)</source>
        <translation>%1 (ещё не рассчитано)</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>No file chosen</source>
        <translation>Файл не выбран</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Choose file…</source>
        <translation>Выбрать файл…</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>About the exports</source>
        <translation>Об экспорте</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Export</source>
        <translation>Экспортировать</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Analysis exports</source>
        <translation>Экспорт анализа</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Reports (PDF, DOCX) describe the whole analysis with its figures. The CSV and JSON files hold the numbers for further processing. The PNG files are the figures alone. An existing file is never overwritten.</source>
        <translation>Отчёты (PDF, DOCX) описывают весь анализ вместе с рисунками. Файлы CSV и JSON содержат числа для дальнейшей обработки. Файлы PNG — только рисунки. Существующий файл никогда не перезаписывается.</translation>
    </message>
</context>
<context>
    <name>AnalysisReport</name>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="+51"/>
        <source>The export could not be written. No completed file was saved.</source>
        <translation>Не удалось записать файл экспорта. Готовый файл не был сохранён.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Cannot read the first source frame for the report: %1</source>
        <translation>Не удалось прочитать первый кадр исходного видео для отчёта: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The decoded frame is unavailable or does not match the source.</source>
        <translation>Декодированный кадр недоступен или не соответствует исходному видео.</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>Choose a file with the extension required by the selected export format.</source>
        <translation>Выберите файл с расширением, соответствующим выбранному формату экспорта.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>No current analysis is available for this export.</source>
        <translation>Для этого экспорта нет актуальных результатов анализа.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The export folder does not exist.</source>
        <translation>Папка для экспорта не существует.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The export folder is a device or system folder. Choose a folder for your own files.</source>
        <translation>Папка для экспорта — папка устройств или системная папка. Выберите папку для своих файлов.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The report cannot replace the source video.</source>
        <translation>Отчёт не может заменить исходное видео.</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>The file %1 already exists. It was left unchanged and the export was not saved.</source>
        <translation>Файл %1 уже существует. Он оставлен без изменений, экспорт не сохранён.</translation>
    </message>
    <message>
        <location line="-67"/>
        <location line="+28"/>
        <location line="+3"/>
        <location line="+14"/>
        <source>Cannot open the export file: %1</source>
        <translation>Не удалось открыть файл экспорта: %1</translation>
    </message>
    <message>
        <location line="-35"/>
        <location line="+59"/>
        <source>Cannot finish saving the export: %1</source>
        <translation>Не удалось завершить сохранение экспорта: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/DocxWriter.cpp" line="+220"/>
        <location filename="../src/reports/PdfReportWriter.cpp" line="+100"/>
        <source>Page</source>
        <translation>Страница</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="+53"/>
        <source>Zazira spectrum analysis report</source>
        <translation>Отчёт о спектральном анализе Zazira</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Relative band power: unavailable.</source>
        <translation>Относительная мощность полосы: недоступна.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Relative band power: %1% of total spectral power (excluding zero frequency).</source>
        <translation>Относительная мощность полосы: %1% от полной спектральной мощности (без учёта нулевой частоты).</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Possible compression artefact: the frequency lies on a whole multiple of the key-frame rate of the video (%1 Hz: one key frame every %2 frames at the capture frame rate). The encoder&apos;s key-frame cadence can produce such lines without any motion of the equipment. When more than 20 peaks are found, these candidates give way to the other peaks.</source>
        <translation>Возможный артефакт сжатия: частота кратна частоте ключевых кадров видео (%1 Гц: один ключевой кадр каждые %2 кадров при частоте съёмки). Периодичность ключевых кадров кодировщика может давать такие линии без какого-либо движения оборудования. Если найдено больше 20 пиков, такие кандидаты уступают место остальным пикам.</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>The frequency lies on a multiple of the key-frame rate of the video (%1 Hz); the line may come from the encoder&apos;s key-frame cadence rather than from the equipment.</source>
        <translation>Частота кратна частоте ключевых кадров видео (%1 Гц); линия может быть вызвана периодичностью ключевых кадров кодировщика, а не оборудованием.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1 µm peak, %2 mm/s RMS, %3 m/s² peak</source>
        <translation>%1 мкм (пик), %2 мм/с (СКЗ), %3 м/с² (пик)</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>In physical units: %1.</source>
        <translation>В физических единицах: %1.</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>No length scale was given: displacement amplitudes are stated in pixels of the source frame only.</source>
        <translation>Масштаб длины не задан: амплитуды перемещения указаны только в пикселях исходного кадра.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Length scale: %1 mm between the frame points (%2, %3) and (%4, %5) in normalized coordinates; %6 mm per source pixel.</source>
        <translation>Масштаб длины: %1 мм между точками кадра (%2, %3) и (%4, %5) в нормированных координатах; %6 мм на пиксель исходного кадра.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Band: %1–%2 Hz. Background: first analyzed source frame %3.</source>
        <translation>Полоса: %1–%2 Гц. Фон: первый проанализированный кадр исходного видео %3.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Each cell represents one image point. Power uses each point&apos;s longest accepted continuous interval, which may differ between cells. Values are normalized to the strongest accepted point in this band; transparent cells have no usable estimate or fall below the display threshold; they do not mean zero motion.</source>
        <translation>Каждая ячейка соответствует одной точке изображения. Мощность рассчитывается по самому длинному принятому непрерывному интервалу каждой точки, который может различаться для разных ячеек. Значения нормированы на самую сильную принятую точку в этой полосе; для прозрачных ячеек нет пригодной оценки или значение ниже порога отображения; это не означает отсутствия движения.</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>Overview: the outline marks the analysis region. A close-up is provided on a separate page.</source>
        <translation>Обзор: контуром отмечена область анализа. Увеличенное изображение приведено на отдельной странице.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 — analysis region close-up</source>
        <translation>%1 — увеличенное изображение области анализа</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Enlarged analysis region from the same frame. Colors, normalization and analysis points are identical to the overview.</source>
        <translation>Увеличенная область анализа из того же кадра. Цвета, нормировка и точки анализа совпадают с обзорным изображением.</translation>
    </message>
    <message>
        <location line="+25"/>
        <location line="+29"/>
        <source>Source video: %1</source>
        <translation>Исходное видео: %1</translation>
    </message>
    <message>
        <location line="-28"/>
        <source>Source frame 1. This is the beginning of the video, independently of the analyzed fragment.</source>
        <translation>Кадр 1 исходного видео. Это начало видео независимо от анализируемого фрагмента.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The entire frame was analyzed; no separate analysis region is outlined.</source>
        <translation>Проанализирован весь кадр; отдельная область анализа не выделена.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The outline marks the analysis region used for this calculation.</source>
        <translation>Контуром отмечена область анализа, использованная в этом расчёте.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Source frame 1: analysis region close-up</source>
        <translation>Кадр 1 исходного видео: увеличенное изображение области анализа</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Enlarged analysis region from the same frame. Enlargement does not add image detail or analysis points.</source>
        <translation>Увеличенная область анализа из того же кадра. Увеличение не добавляет деталей изображения или точек анализа.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Analysis settings</source>
        <translation>Параметры анализа</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>This report records the selected video analysis and its settings. It does not diagnose equipment condition.</source>
        <translation>В этом отчёте зафиксированы выбранный анализ видео и его параметры. Отчёт не является диагностикой технического состояния оборудования.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Report created: %1</source>
        <translation>Отчёт создан: %1</translation>
    </message>
    <message>
        <location line="-148"/>
        <source>Displacement amplitude: unavailable (no point that carries the line measures it reliably).</source>
        <translation>Амплитуда перемещения: недоступна (ни одна точка, несущая эту линию, не измеряет её надёжно).</translation>
    </message>
    <message>
        <location line="-51"/>
        <source>Camera motion: the camera&apos;s own motion, measured on the reference region, also has a line at this frequency. The line may be what is left of camera shake rather than a vibration of the equipment.</source>
        <translation>Движение камеры: собственное движение камеры, измеренное по опорной области, тоже имеет линию на этой частоте. Линия может быть остатком дрожания камеры, а не вибрацией оборудования.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Camera motion compensation: on. Reference region in normalized coordinates: x=%1, y=%2, width=%3, height=%4. Measured camera motion: %5 px peak, %6 px RMS; mean match quality %7 (1 = perfect).</source>
        <translation>Компенсация движения камеры: включена. Опорная область в нормированных координатах: x=%1, y=%2, ширина=%3, высота=%4. Измеренное движение камеры: %5 пикс. (пик), %6 пикс. (СКЗ); среднее качество совмещения %7 (1 — идеально).</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The compensation measures the camera&apos;s translation on the reference region and moves every frame back by it before the phase signals are followed. It assumes that the reference region does not move itself. It does not remove a rotation or a zoom of the camera, nor parallax: parts of the scene at other distances from the camera than the reference move differently when the camera moves, and that difference remains.</source>
        <translation>Компенсация измеряет сдвиг камеры по опорной области и возвращает каждый кадр на этот сдвиг перед отслеживанием фазовых сигналов. Предполагается, что сама опорная область неподвижна. Поворот и изменение масштаба (зум) камеры не устраняются, как и параллакс: части сцены на другом расстоянии от камеры, чем опорная область, при движении камеры смещаются иначе, и эта разница остаётся.</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Displacement amplitude at %1 Hz: %2 px peak, quartiles %3–%4 px, over %5 reliable points that carry the line; the strongest of them, point %6, moves %7 px.</source>
        <translation>Амплитуда перемещения на %1 Гц: %2 пикс. (пик), квартили %3–%4 пикс., по %5 надёжным точкам, несущим линию; сильнейшая из них, точка %6, смещается на %7 пикс.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>%1 (%2–%3)</source>
        <translation>%1 (%2–%3)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>entered by the user</source>
        <translation>введена пользователем</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>detected in the file</source>
        <translation>определена по файлу</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>assumed, not confirmed</source>
        <translation>принята по умолчанию, не подтверждена</translation>
    </message>
    <message>
        <location line="+118"/>
        <source>Source size: %1 × %2 pixels; capture frame rate: %3 fps (%4).</source>
        <translation>Размер исходного видео: %1 × %2 пикселей; частота кадров съёмки: %3 fps (%4).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Analyzed source frames: %1–%2 (numbered from 1); recording duration: %3 s.</source>
        <translation>Проанализированные кадры исходного видео: %1–%2 (нумерация с 1); длительность записи: %3 s.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Analysis region in normalized coordinates: x=%1, y=%2, width=%3, height=%4.</source>
        <translation>Область анализа в нормированных координатах: x=%1, y=%2, ширина=%3, высота=%4.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Grid: %1 × %2; requested: %3 × %4; accepted points: %5 of %6.</source>
        <translation>Сетка: %1 × %2; запрошено: %3 × %4; принято точек: %5 из %6.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>FFT bin spacing: %1 Hz; conservative window resolution: %2 Hz.</source>
        <translation>Шаг бинов FFT: %1 Гц; консервативная оценка разрешения окна: %2 Гц.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The report covers the full spectrum and all %1 detected frequency candidates (up to 20). Each candidate has an enlarged spectrum page and a band power map of its proposed band.</source>
        <translation>Отчёт охватывает полный спектр и все обнаруженные кандидаты частот (%1, не более 20). Для каждого кандидата приведены страница с увеличенным фрагментом спектра и карта мощности в предложенной для него полосе.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Algorithm: phase-spectrum-3; relative-phase-1. Analysis identity: %1.</source>
        <translation>Алгоритм: phase-spectrum-3; relative-phase-1. Идентификатор анализа: %1.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Spectrum and frequency candidates</source>
        <translation>Спектр и кандидаты частот</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Power is normalized within this analysis. The shaded region marks the selected band. Listed peaks are candidates, not independently confirmed machine frequencies.</source>
        <translation>Мощность нормирована в пределах этого анализа. Закрашенная область обозначает выбранную полосу. Перечисленные пики являются кандидатами, а не независимо подтверждёнными частотами машины.</translation>
    </message>
    <message>
        <location line="+15"/>
        <location line="+81"/>
        <source>Frequency Hz</source>
        <translation>Частота Гц</translation>
    </message>
    <message>
        <location line="-81"/>
        <source>Relative peak power</source>
        <translation>Относительная мощность пика</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Band power, %</source>
        <translation>Мощность полосы, %</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Contrast dB</source>
        <translation>Контраст dB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Spatial support</source>
        <translation>Пространственный охват</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+79"/>
        <source>Amplitude, px</source>
        <translation>Амплитуда, пикс.</translation>
    </message>
    <message>
        <location line="-77"/>
        <source>Note</source>
        <translation>Примечание</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Possible compression artefact</source>
        <translation>Возможный артефакт сжатия</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Camera motion</source>
        <translation>Движение камеры</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Contrast, dB: how strongly the peak stands above the nearby spectral background. It is calculated as 10 × log10(peak power / background power); the background is the median of neighboring spectral bins, excluding the peak and its nearest neighbors. A contrast of 10 dB means 10 times the background power; 20 dB means 100 times. This is not sound level or physical displacement.</source>
        <translation>Контраст, dB: насколько сильно пик возвышается над окружающим спектральным фоном. Рассчитывается как 10 × log10(мощность пика / мощность фона); фоном считается медиана соседних спектральных бинов без учёта пика и его ближайших соседей. Контраст 10 dB означает мощность в 10 раз выше фона; 20 dB — в 100 раз выше. Это не уровень звука и не физическое перемещение.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Spatial support: the fraction of accepted analysis points where power at this frequency is at least four times the local spectral background and exceeds the minimum signal threshold. The value ranges from 0 to 1: 0.75 means 75% of accepted points. Rejected points are excluded from the denominator. This is neither the fraction of image area nor a probability that the frequency is correct; low support may indicate localized vibration.</source>
        <translation>Пространственный охват: доля принятых точек анализа, в которых мощность на этой частоте не менее чем в четыре раза превышает локальный спектральный фон и превышает минимальный порог сигнала. Значение лежит в диапазоне от 0 до 1: 0.75 означает 75% принятых точек. Отклонённые точки не учитываются в знаменателе. Это не доля площади изображения и не вероятность того, что частота определена верно; низкий охват может указывать на локализованную вибрацию.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>No frequency candidates passed the detection thresholds.</source>
        <translation>Ни один кандидат частоты не прошёл пороги обнаружения.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Relative band power is the sum of aggregate spectral power at bin centers inside the band divided by the sum over all positive-frequency bins. It differs from peak height and from per-cell map colors. The same denominator is used for all bands in this analysis; overlapping bands share power and their percentages must not be added. The map display threshold does not affect this value.</source>
        <translation>Относительная мощность полосы — это сумма агрегированной спектральной мощности в центрах бинов внутри полосы, делённая на сумму по всем бинам положительных частот. Она отличается от высоты пика и от цветов отдельных ячеек карты. Для всех полос этого анализа используется один и тот же знаменатель; перекрывающиеся полосы делят мощность, и их проценты нельзя складывать. Порог отображения карты на это значение не влияет.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Vibration amplitude</source>
        <translation>Амплитуда вибрации</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Amplitudes come from the displacement of each cell&apos;s image content, measured to a fraction of a pixel by gradient least squares between consecutive frames, at the candidate&apos;s frequency refined between spectral bins. A point&apos;s amplitude is the peak displacement along the direction of largest motion, with a standard error from the noise of the point&apos;s own displacement next to that frequency. It is reliable when the point carries the line (the frequency stands out in its phase spectrum), the amplitude is at least four times its standard error and its swing stays inside the cell.</source>
        <translation>Амплитуды получены из смещения содержимого изображения в каждой ячейке, измеренного с точностью до долей пикселя методом наименьших квадратов по градиентам между соседними кадрами, на частоте кандидата, уточнённой между спектральными отсчётами. Амплитуда точки — это пиковое перемещение вдоль направления наибольшего движения со стандартной ошибкой, оценённой по шуму собственного перемещения точки вблизи этой частоты. Оценка надёжна, если точка несёт линию (частота выделяется в её фазовом спектре), амплитуда не меньше четырёх стандартных ошибок, а размах не выходит за пределы ячейки.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>A line&apos;s amplitude is the median over its reliable points, each counted by how clearly it shows the motion (its amplitude over its standard error, squared); the quartiles give the spread. Points that only touch the moving structure, and faint traces that the encoder or another line&apos;s harmonics leave at the same frequency, count little. Velocity (RMS) and acceleration (peak) assume a sinusoidal motion at that frequency.</source>
        <translation>Амплитуда линии — медиана по её надёжным точкам, где каждая точка учитывается по тому, насколько ясно она показывает движение (квадрат отношения амплитуды к стандартной ошибке); квартили показывают разброс. Точки, лишь задевающие движущуюся структуру, и слабые следы, которые кодер или гармоники другой линии оставляют на той же частоте, почти не учитываются. Скорость (СКЗ) и ускорение (пик) рассчитаны в предположении синусоидального движения на этой частоте.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Quartiles, px</source>
        <translation>Квартили, пикс.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Points</source>
        <translation>Точки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Strongest point</source>
        <translation>Сильнейшая точка</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Strongest, px</source>
        <translation>Сильнейшая, пикс.</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Direction, °: the angle of the strongest point&apos;s largest motion from the image&apos;s x axis towards its y axis (downwards), between −90° and 90°. Physical units are given for the line&apos;s amplitude.</source>
        <translation>Направление, °: угол наибольшего движения сильнейшей точки, отсчитываемый от оси x изображения к его оси y (вниз), от −90° до 90°. Физические единицы даны для амплитуды линии.</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>Displacement amplitude at %1 Hz, µm peak; colours from 0 to the 95th percentile</source>
        <translation>Амплитуда перемещения на %1 Гц, мкм (пик); цвета от 0 до 95-го процентиля</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Displacement amplitude at %1 Hz, px peak; colours from 0 to the 95th percentile</source>
        <translation>Амплитуда перемещения на %1 Гц, пикс. (пик); цвета от 0 до 95-го процентиля</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Each cell whose point measures the amplitude reliably shows the peak displacement of its content at the strongest candidate&apos;s frequency, on a linear scale from 0 to the 95th percentile of those values; larger values take the top colour. Other cells remain transparent.</source>
        <translation>Каждая ячейка, точка которой надёжно измеряет амплитуду, показывает пиковое перемещение своего содержимого на частоте сильнейшего кандидата в линейной шкале от 0 до 95-го процентиля этих значений; большие значения получают верхний цвет. Остальные ячейки остаются прозрачными.</translation>
    </message>
    <message>
        <location line="-80"/>
        <source>Direction, °</source>
        <translation>Направление, °</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Displacement, µm</source>
        <translation>Перемещение, мкм</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Velocity RMS, mm/s</source>
        <translation>Скорость СКЗ, мм/с</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Acceleration, m/s²</source>
        <translation>Ускорение, м/с²</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Limits: a cell sees motion across its edges only; motion along a straight edge does not change the image and reads as zero. A cell holding both moving and still structure reads less than its moving part. Displacements of a few hundredths of a pixel, strong video compression, lighting changes and camera movement reduce the accuracy; the camera&apos;s own motion adds to every point.</source>
        <translation>Ограничения: ячейка видит только движение поперёк своих краёв; движение вдоль прямого края не меняет изображение и даёт ноль. Ячейка, в которой есть и подвижная, и неподвижная структура, показывает меньше, чем движется её подвижная часть. Перемещения в несколько сотых пикселя, сильное сжатие видео, изменения освещения и движение камеры снижают точность; собственное движение камеры добавляется ко всем точкам.</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>Displacement amplitude map at %1 Hz</source>
        <translation>Карта амплитуды перемещения на %1 Гц</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>Peak at %1 Hz</source>
        <translation>Пик на частоте %1 Гц</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Displayed range: %1–%2 Hz. Shaded candidate band: %3–%4 Hz.</source>
        <translation>Отображаемый диапазон: %1–%2 Гц. Закрашенная полоса кандидата: %3–%4 Гц.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Relative power: %1; contrast: %2 dB; spatial support: %3.</source>
        <translation>Относительная мощность: %1; контраст: %2 dB; пространственный охват: %3.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The vertical scale fits the displayed range. Power retains the normalization of the full spectrum; compare axis values when comparing peaks. All detected candidates within this range are labeled.</source>
        <translation>Вертикальная шкала подобрана по отображаемому диапазону. Мощность сохраняет нормировку полного спектра; при сравнении пиков сверяйте значения по оси. Все обнаруженные кандидаты в этом диапазоне подписаны.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>FFT bin spacing: %1 Hz; conservative window resolution: %2 Hz. Enlargement does not improve frequency resolution; nearby peaks may remain unresolved.</source>
        <translation>Шаг бинов FFT: %1 Гц; консервативная оценка разрешения окна: %2 Гц. Увеличение не улучшает частотное разрешение; близко расположенные пики могут остаться неразрешёнными.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Band power map for peak at %1 Hz</source>
        <translation>Карта мощности полосы для пика на частоте %1 Гц</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>This map uses the detected candidate&apos;s band, independently of the band selected in the interface. Colors are normalized separately for each band and cannot be used to compare absolute power between maps. Values below 0.0001 are hidden.</source>
        <translation>На этой карте используется полоса обнаруженного кандидата независимо от полосы, выбранной в интерфейсе. Цвета нормируются отдельно для каждой полосы, и их нельзя использовать для сравнения абсолютной мощности между картами. Значения ниже 0.0001 скрыты.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Additional map: band selected in the interface</source>
        <translation>Дополнительная карта: полоса, выбранная в интерфейсе</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>No valid frequency band was selected. The band power map is unavailable.</source>
        <translation>Допустимая полоса частот не выбрана. Карта мощности полосы недоступна.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>This additional map records the band selected in the interface at export time. Maps of all detected candidates are provided separately.</source>
        <translation>Эта дополнительная карта отражает полосу, выбранную в интерфейсе на момент экспорта. Карты всех обнаруженных кандидатов приведены отдельно.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Frequency: %1 Hz; component: %2; reference point: %3; accepted phase estimates: %4 of %5.</source>
        <translation>Частота: %1 Гц; компонента: %2; опорная точка: %3; принято оценок фазы: %4 из %5.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The reference is 0°. Positive phase means a lead relative to the reference in cos(ωt + φ). Each pair uses the intersection of its accepted intervals; pair intervals may differ.</source>
        <translation>Фаза опорной точки равна 0°. Положительная фаза означает опережение относительно опорной точки в cos(ωt + φ). Для каждой пары используется пересечение её принятых интервалов; интервалы разных пар могут различаться.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Acceptance requires at least 128 samples, four periods in each half, explained detrended energy of at least 0.30, and relative phase drift between halves no greater than 30°. These are heuristic thresholds, not confidence probabilities.</source>
        <translation>Для принятия требуются не менее 128 отсчётов, четыре периода в каждой половине, доля объяснённой энергии после удаления тренда не менее 0.30 и относительный дрейф фазы между половинами не более 30°. Это эвристические пороги, а не доверительные вероятности.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Reference interval starts at %1 s within the fragment and lasts %2 s; minimum explained energy fraction: %3.</source>
        <translation>Опорный интервал начинается через %1 s от начала фрагмента и длится %2 s; минимальная доля объяснённой энергии: %3.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Relative phase map</source>
        <translation>Карта относительной фазы</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Interpretation and limitations</source>
        <translation>Интерпретация и ограничения</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Frequency values depend on the supplied physical capture frame rate. Playback frame rate may differ, especially for slow-motion recordings.</source>
        <translation>Значения частот зависят от указанной физической частоты кадров съёмки. Частота кадров воспроизведения может отличаться, особенно у записей замедленной съёмки.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Camera movement, lighting changes, aliasing and insufficient texture can affect the spectrum. Relative phase-signal power is not calibrated physical displacement.</source>
        <translation>На спектр могут влиять движение камеры, изменения освещения, наложение спектров (алиасинг) и недостаточная текстура. Относительная мощность фазового сигнала не является откалиброванным физическим перемещением.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>X and Y are image phase-signal components affected by local image structure. Equal or opposite signal phases do not prove equal or opposite physical displacement phases. Nearby frequencies may remain unresolved.</source>
        <translation>X и Y — компоненты фазового сигнала изображения, на которые влияет локальная структура изображения. Совпадающие или противоположные фазы сигнала не доказывают совпадения или противоположности фаз физического перемещения. Близкие частоты могут остаться неразрешёнными.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Band power below 0.0001 is hidden on both color scales. This display threshold is relative to the strongest accepted point in the selected band, not a physical vibration threshold. Comparisons between independently normalized maps are qualitative.</source>
        <translation>Мощность полосы ниже 0.0001 скрыта на обеих цветовых шкалах. Этот порог отображения задан относительно самой сильной принятой точки в выбранной полосе и не является физическим порогом вибрации. Сравнение независимо нормированных карт носит качественный характер.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>CSV and JSON exports provide numerical spectra, cell values, validity flags and analysis settings for further review. No conclusion about equipment condition is generated automatically.</source>
        <translation>Экспорт в CSV и JSON содержит числовые спектры, значения ячеек, признаки достоверности и параметры анализа для дальнейшего изучения. Заключение о техническом состоянии оборудования автоматически не формируется.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="+286"/>
        <source>Frequency, Hz</source>
        <translation>Частота, Гц</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Relative spectral power</source>
        <translation>Относительная спектральная мощность</translation>
    </message>
    <message>
        <location line="+56"/>
        <source>Relative band power · logarithmic colors</source>
        <translation>Относительная мощность полосы · логарифмическая цветовая шкала</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Relative band power · linear colors</source>
        <translation>Относительная мощность полосы · линейная цветовая шкала</translation>
    </message>
    <message>
        <location line="+79"/>
        <source>Reference</source>
        <translation>Опорная точка</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Relative phase, degrees</source>
        <translation>Относительная фаза, градусы</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <location filename="../src/app/StartupOptions.cpp" line="+22"/>
        <source>Video motion amplification for technical equipment.</source>
        <translation>Усиление движения на видео технического оборудования.</translation>
    </message>
    <message>
        <location line="-11"/>
        <source>Enable the local MCP diagnostics interface in read-only mode.</source>
        <translation>Включить локальный диагностический интерфейс MCP в режиме только чтения.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Allow the local MCP diagnostics interface to change application state.</source>
        <translation>Разрешить локальному диагностическому интерфейсу MCP изменять состояние приложения.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Show the licences of the program and of the libraries it loads, then exit.</source>
        <translation>Показать лицензии программы и загружаемых ею библиотек и выйти.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Video file to open at start.</source>
        <translation>Видеофайл, который нужно открыть при запуске.</translation>
    </message>
    <message>
        <location filename="../src/app/main.cpp" line="+74"/>
        <source>Could not start MCP diagnostics: %1</source>
        <translation>Не удалось запустить диагностику MCP: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>MCP diagnostics are enabled for this application instance.</source>
        <translation>Для этого экземпляра приложения включена диагностика MCP.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The window could not be loaded, most likely because a Qt module that it needs is not installed on this computer.

%1</source>
        <translation>Не удалось загрузить окно программы: скорее всего, на этом компьютере не установлен нужный ей модуль Qt.

%1</translation>
    </message>
</context>
<context>
    <name>ApplicationLicences</name>
    <message>
        <location filename="../src/app/ApplicationLicences.cpp" line="+16"/>
        <location line="+27"/>
        <source>GNU GPL version 2 or later</source>
        <translation>GNU GPL версии 2 или более поздней</translation>
    </message>
    <message>
        <location line="-25"/>
        <source>GNU GPL version 3 or later</source>
        <translation>GNU GPL версии 3 или более поздней</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>GNU LGPL version 2.1 or later</source>
        <translation>GNU LGPL версии 2.1 или более поздней</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>GNU LGPL version 3 or later</source>
        <translation>GNU LGPL версии 3 или более поздней</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>non-free, not redistributable</source>
        <translation>несвободная, распространение запрещено</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Built with: %1</source>
        <translation>Параметры сборки: %1</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>libx264, the H.264 encoder built into libavcodec</source>
        <translation>libx264, кодировщик H.264 в составе libavcodec</translation>
    </message>
</context>
<context>
    <name>BandMapView</name>
    <message>
        <location filename="../ui/qml/panels/BandMapView.qml" line="+30"/>
        <source>This point has no reliable signal in the selected band.</source>
        <translation>В этой точке нет надёжного сигнала в выбранной полосе.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 % of the strongest point · local peak at %2 Hz</source>
        <translation>%1 % от самой сильной точки · локальный пик %2 Гц</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>Band power, % of the strongest point · logarithmic scale</source>
        <translation>Мощность в полосе, % от самой сильной точки · логарифмическая шкала</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Band power, % of the strongest point · linear scale</source>
        <translation>Мощность в полосе, % от самой сильной точки · линейная шкала</translation>
    </message>
</context>
<context>
    <name>BandsTable</name>
    <message>
        <location filename="../ui/qml/panels/BandsTable.qml" line="+68"/>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 Hz</source>
        <translation>%1 Гц</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 dB</source>
        <translation>%1 дБ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 of 2</source>
        <translation>%1 из 2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 (%2–%3) px</source>
        <translation>%1 (%2–%3) пикс.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 µm peak
%2 mm/s RMS
%3 m/s² peak</source>
        <translation>%1 мкм (пик)
%2 мм/с (СКЗ)
%3 м/с² (пик)</translation>
    </message>
    <message>
        <location line="-18"/>
        <source>%1–%2 Hz</source>
        <translation>%1–%2 Гц</translation>
    </message>
    <message>
        <location line="-49"/>
        <source>Frequency of the line, refined between the spectrum&apos;s bins</source>
        <translation>Частота линии, уточнённая между отсчётами спектра</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>How far the line stands above the neighbouring bins, each point judged against its own noise</source>
        <translation>Насколько линия возвышается над соседними отсчётами; каждая точка оценивается относительно собственного шума</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Amplitude</source>
        <translation>Амплитуда</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Displacement amplitude: median over the reliable points that carry the line, with its quartiles; px and µm peak, velocity RMS, acceleration peak</source>
        <translation>Амплитуда перемещения: медиана по надёжным точкам, несущим линию, с квартилями; пикс. и мкм (пик), скорость (СКЗ), ускорение (пик)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Displacement amplitude: median over the reliable points that carry the line, with its quartiles, px peak. Draw a known length on the source video for physical units.</source>
        <translation>Амплитуда перемещения: медиана по надёжным точкам, несущим линию, с квартилями, пикс. (пик). Для физических единиц проведите известную длину на исходном видео.</translation>
    </message>
    <message>
        <location line="+199"/>
        <source>Camera motion</source>
        <translation>Движение камеры</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Camera motion: the camera&apos;s own motion, measured on the reference region, has a line at this frequency too, so the line may be what is left of camera shake rather than a vibration of the equipment.</source>
        <translation>Движение камеры: собственное движение камеры, измеренное по опорной области, тоже имеет линию на этой частоте, поэтому линия может быть остатком дрожания камеры, а не вибрацией оборудования.</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>⌖ Camera motion: the line is also present in the reference region</source>
        <translation>⌖ Движение камеры: линия есть и в опорной области</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Apply band to amplification</source>
        <translation>Применить полосу к усилению</translation>
    </message>
    <message>
        <location line="-4"/>
        <source>Amplitudes are in pixels; draw a known length on the source video for physical units.</source>
        <translation>Амплитуды даны в пикселях; для физических единиц задайте известную длину на исходном видео.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Apply in vibration amplifier</source>
        <translation>Применить в усилителе вибраций</translation>
    </message>
    <message>
        <location line="-123"/>
        <source>Band at %1 Hz</source>
        <translation>Полоса на %1 Гц</translation>
    </message>
    <message>
        <location line="-155"/>
        <source>Band power</source>
        <translation>Мощн. полосы</translation>
    </message>
    <message>
        <location line="-2"/>
        <source>Band</source>
        <translation>Полоса</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Contrast</source>
        <translation>Контраст</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Fragment halves in which the peak is found again; — when the fragment is too short or has gaps</source>
        <translation>Число половин фрагмента, в которых пик найден снова; — если фрагмент слишком короткий или с пропусками</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>Frequency band selected by this candidate</source>
        <translation>Полоса частот, выбираемая этим кандидатом</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Frequency</source>
        <translation>Частота</translation>
    </message>
    <message>
        <location line="+236"/>
        <source>No frequency candidates passed the detection thresholds.</source>
        <translation>Ни один кандидат частоты не прошёл пороги обнаружения.</translation>
    </message>
    <message>
        <location line="-234"/>
        <source>Peak power</source>
        <translation>Мощн. пика</translation>
    </message>
    <message>
        <location line="+205"/>
        <source>Possible compression artefact (key-frame cadence)</source>
        <translation>Возможный артефакт сжатия (период ключевых кадров)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Possible compression artefact (key-frame cadence): the frequency lies on a multiple of the video&apos;s key-frame rate, so the line may come from the encoder rather than from the equipment.</source>
        <translation>Возможный артефакт сжатия (период ключевых кадров): частота кратна частоте ключевых кадров видео, поэтому линия может происходить от кодировщика, а не от оборудования.</translation>
    </message>
    <message>
        <location line="-209"/>
        <source>Relative peak power, normalised within the analysis</source>
        <translation>Относительная мощность пика, нормированная в пределах анализа</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Share of accepted points at which the frequency stands out</source>
        <translation>Доля принятых точек, в которых частота выделяется</translation>
    </message>
    <message>
        <location line="-2"/>
        <source>Share of the total power that lies inside the band</source>
        <translation>Доля общей мощности внутри полосы</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Stability</source>
        <translation>Устойч.</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Support</source>
        <translation>Охват</translation>
    </message>
    <message>
        <location line="+239"/>
        <source>⚠ Possible compression artefact (key-frame cadence)</source>
        <translation>⚠ Возможный артефакт сжатия (период ключевых кадров)</translation>
    </message>
</context>
<context>
    <name>CameraMotionSection</name>
    <message>
        <location filename="../ui/qml/components/CameraMotionSection.qml" line="+20"/>
        <source>Camera motion</source>
        <translation>Движение камеры</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Compensated</source>
        <translation>Компенсируется</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Not compensated</source>
        <translation>Не компенсируется</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>No reference region</source>
        <translation>Нет опорной области</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Compensate camera motion</source>
        <translation>Компенсировать движение камеры</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Reference region: x %1 %, y %2 %, %3 % × %4 % of the frame.</source>
        <translation>Опорная область: x %1 %, y %2 %, %3 % × %4 % кадра.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Draw a reference region first: choose “Reference” above the source video and drag over a part of the scene that does not vibrate, such as a wall, the floor or a fixed frame.</source>
        <translation>Сначала выделите опорную область: нажмите «Опора» над панелью «Оригинал» и проведите мышью по части сцены, которая не вибрирует, например по стене, полу или неподвижной раме.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Clear reference</source>
        <translation>Убрать опорную область</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Remove the reference region; camera motion is then not compensated</source>
        <translation>Удалить опорную область; движение камеры тогда не компенсируется</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The camera&apos;s shift is measured on the reference region in every frame and removed before amplification and spectrum analysis, so that the shake of a hand-held camera or a tripod on a vibrating floor is not taken for the machine&apos;s vibration. Only the shift is removed: a rotation or zoom of the camera is not, nor parallax between parts of the scene at other distances from the camera than the reference. Spectrum lines that the camera&apos;s own motion also shows are marked “camera motion”.</source>
        <translation>Сдвиг камеры измеряется по опорной области в каждом кадре и устраняется перед усилением и спектральным анализом, чтобы дрожание камеры в руках или штатива на вибрирующем полу не принималось за вибрацию машины. Устраняется только сдвиг: поворот и зум камеры не устраняются, как и параллакс между частями сцены на другом расстоянии от камеры, чем опорная область. Линии спектра, которые есть и в собственном движении камеры, отмечаются как «движение камеры».</translation>
    </message>
</context>
<context>
    <name>ExportController</name>
    <message>
        <location filename="../src/controllers/ExportController.cpp" line="+120"/>
        <source>Choose where to save the processed MP4 file.</source>
        <translation>Выберите, куда сохранить обработанный файл MP4.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The processed video must use the .mp4 extension.</source>
        <translation>Обработанное видео должно иметь расширение .mp4.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The destination folder does not exist.</source>
        <translation>Папка назначения не существует.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The destination is a device or system folder. Choose a folder for your own files.</source>
        <translation>Назначение — папка устройств или системная папка. Выберите папку для своих файлов.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The destination folder is not writable.</source>
        <translation>Запись в папку назначения невозможна.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The output file must differ from the source video.</source>
        <translation>Выходной файл должен отличаться от исходного видео.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The selected output file already exists.</source>
        <translation>Выбранный выходной файл уже существует.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The export parameters file already exists.</source>
        <translation>Файл параметров экспорта уже существует.</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>Choose a local MP4 file.</source>
        <translation>Выберите локальный файл MP4.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Wait until the current export finishes.</source>
        <translation>Дождитесь завершения текущего экспорта.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Destination is ready</source>
        <translation>Место сохранения выбрано</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Create an analysis result before saving.</source>
        <translation>Перед сохранением создайте результат анализа.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Pause playback and wait until video processing is ready before exporting.</source>
        <translation>Перед экспортом приостановите воспроизведение и дождитесь готовности обработки видео.</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Preparing processed video export</source>
        <translation>Подготовка экспорта обработанного видео</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Cancelling processed video export</source>
        <translation>Отмена экспорта обработанного видео</translation>
    </message>
    <message>
        <location line="+121"/>
        <source>Processed video was saved</source>
        <translation>Обработанное видео сохранено</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Processed video export was cancelled</source>
        <translation>Экспорт обработанного видео отменён</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Processed video export failed</source>
        <translation>Ошибка экспорта обработанного видео</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not export the processed video.</source>
        <translation>Не удалось экспортировать обработанное видео.</translation>
    </message>
</context>
<context>
    <name>FrequencyFilterHelper</name>
    <message>
        <location filename="../ui/qml/panels/FrequencyFilterHelper.qml" line="+23"/>
        <source>Frequency filter helper</source>
        <translation>Помощник частотного фильтра</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Choose a filter band around the shaft rotation frequency: enter the speed, select a harmonic and half-width, then apply the band.</source>
        <translation>Выберите полосу фильтра около частоты вращения вала: введите скорость, выберите гармонику и полуширину, затем примените полосу.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Shaft speed</source>
        <translation>Скорость вала</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RPM</source>
        <translation>об/мин</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+4"/>
        <source>Filter center harmonic</source>
        <translation>Гармоника центра фильтра</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Band half-width</source>
        <translation>Полуширина полосы</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Calculated band: %1–%2 Hz · Center: %3 Hz</source>
        <translation>Расчётная полоса: %1–%2 Гц · Центр: %3 Гц</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Calculated band: enter a valid shaft speed.</source>
        <translation>Расчётная полоса: введите допустимую скорость вала.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The calculated band must be above zero and below the Nyquist frequency.</source>
        <translation>Расчётная полоса должна быть выше нуля и ниже частоты Найквиста.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Current filter band: %1–%2 Hz</source>
        <translation>Текущая полоса фильтра: %1–%2 Гц</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Apply band changes the filter settings only. Close this helper, then choose Start amplification in Vibration amplification.</source>
        <translation>«Применить полосу» меняет только настройки фильтра. Закройте помощник, затем выберите «Запустить усиление» в окне «Усиление вибраций».</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Apply band</source>
        <translation>Применить полосу</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>LengthOverlay</name>
    <message>
        <location filename="../ui/qml/components/LengthOverlay.qml" line="+68"/>
        <source>%1 px</source>
        <translation>%1 пикс.</translation>
    </message>
</context>
<context>
    <name>LicenceNotice</name>
    <message>
        <location filename="../src/app/LicenceNotice.cpp" line="+18"/>
        <source>Licence: %1</source>
        <translation>Лицензия: %1</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Passing it on: this build loads %1, whose licence does not allow redistribution. Do not pass the build on together with that library.</source>
        <translation>Распространение: эта сборка загружает %1, лицензия которой запрещает распространение. Не передавайте сборку вместе с этой библиотекой.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Passing it on: the GNU GPL version 3 is the one licence under which the program&apos;s own licence and those of the libraries above all hold together, so this build may be passed on under it: with the complete corresponding source code of the program (or a written offer of it), with these notices, and without further restrictions on the recipients. Whoever ships the libraries too must offer their source code in the same way; Debian does so for the packages it distributes.</source>
        <translation>Распространение: GNU GPL версии 3 — единственная лицензия, при которой лицензия самой программы и лицензии перечисленных библиотек действуют совместно, поэтому эту сборку можно передавать на её условиях: вместе с полным соответствующим исходным кодом программы (или письменным предложением предоставить его), с этими уведомлениями и без дополнительных ограничений для получателей. Тот, кто передаёт и сами библиотеки, должен так же предложить их исходный код; Debian делает это для распространяемых им пакетов.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Copyright © %1 ORVI</source>
        <translation>Авторское право © %1 ORVI</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This program is free software: you may pass it on and change it under the terms of the GNU General Public License, version 3 or (at your option) any later version. It comes with no warranty, to the extent permitted by law. The licence is in /usr/share/common-licenses/GPL-3 on Debian systems and at https://www.gnu.org/licenses/gpl-3.0.html.</source>
        <translation>Это свободная программа: её можно распространять и изменять на условиях GNU General Public License версии 3 или (по вашему выбору) любой более поздней версии. Программа поставляется без каких-либо гарантий в той мере, в какой это допускает закон. Текст лицензии находится в /usr/share/common-licenses/GPL-3 в системах Debian и по адресу https://www.gnu.org/licenses/gpl-3.0.html.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Libraries this program loads:</source>
        <translation>Библиотеки, которые загружает программа:</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>GNU LGPL version 3 (also offered under the GNU GPL, versions 2 and 3)</source>
        <translation>GNU LGPL версии 3 (доступна также на условиях GNU GPL версий 2 и 3)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Loaded from the system&apos;s shared libraries, which may be replaced by another build of the same version.</source>
        <translation>Загружается из разделяемых библиотек системы, которые можно заменить другой сборкой той же версии.</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <location filename="../ui/qml/Main.qml" line="+203"/>
        <source>Open source video</source>
        <translation>Открыть исходное видео</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Save analysis result</source>
        <translation>Сохранить результат анализа</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>MP4 video (*.mp4)</source>
        <translation>Видео MP4 (*.mp4)</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Unsaved analysis result</source>
        <translation>Несохранённый результат анализа</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>The analysis result has not been saved. Save it before continuing?</source>
        <translation>Результат анализа не сохранён. Сохранить его перед продолжением?</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Discard</source>
        <translation>Отбросить</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Operation in progress</source>
        <translation>Выполняется операция</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Cancel the current operation and close the application after it stops?</source>
        <translation>Отменить текущую операцию и закрыть приложение после её остановки?</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Zazira analysis application</source>
        <translation>Приложение анализа Zazira</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Makes small mechanical vibrations visible and measurable.</source>
        <translation>Делает малые механические вибрации видимыми и измеримыми.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Свободная программа под лицензией GNU GPL версии 3 или более поздней.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Hide licences</source>
        <translation>Скрыть лицензии</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Licences</source>
        <translation>Лицензии</translation>
    </message>
</context>
<context>
    <name>PhaseMapView</name>
    <message>
        <location filename="../ui/qml/panels/PhaseMapView.qml" line="+32"/>
        <source>Point %1: excluded from the analysis, cannot be a reference</source>
        <translation>Точка %1: исключена из анализа, не может быть опорной</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Point %1: %2° relative to the reference</source>
        <translation>Точка %1: %2° относительно опорной</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Point %1: %2</source>
        <translation>Точка %1: %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Point %1</source>
        <translation>Точка %1</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>Phase relative to the reference point, degrees (cyclic scale)</source>
        <translation>Фаза относительно опорной точки, градусы (циклическая шкала)</translation>
    </message>
</context>
<context>
    <name>PlaybackController</name>
    <message>
        <location filename="../src/controllers/PlaybackController.cpp" line="+171"/>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="+165"/>
        <source>The processed preview range is invalid.</source>
        <translation>Недопустимый диапазон обработанного предпросмотра.</translation>
    </message>
    <message>
        <location line="+402"/>
        <source>Source video playback failed.</source>
        <translation>Ошибка воспроизведения исходного видео.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Source video contains no decodable frames.</source>
        <translation>Исходное видео не содержит кадров, которые удаётся декодировать.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="-100"/>
        <source>Could not prepare source video playback.</source>
        <translation>Не удалось подготовить воспроизведение исходного видео.</translation>
    </message>
    <message>
        <location line="+213"/>
        <location line="+30"/>
        <source>Could not seek to the requested video frame.</source>
        <translation>Не удалось перейти к запрошенному кадру видео.</translation>
    </message>
    <message>
        <location line="-122"/>
        <source>Could not open the processed preview.</source>
        <translation>Не удалось открыть обработанный предпросмотр.</translation>
    </message>
    <message>
        <location line="+147"/>
        <source>Could not decode the next video frame.</source>
        <translation>Не удалось декодировать следующий кадр видео.</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Could not decode the matching processed preview frame.</source>
        <translation>Не удалось декодировать соответствующий кадр обработанного предпросмотра.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Processed preview playback failed.</source>
        <translation>Ошибка воспроизведения обработанного предпросмотра.</translation>
    </message>
</context>
<context>
    <name>PointsView</name>
    <message>
        <location filename="../ui/qml/panels/PointsView.qml" line="+95"/>
        <source>Points</source>
        <translation>Точки</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Signal</source>
        <translation>Сигнал</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Local spectrum</source>
        <translation>Локальный спектр</translation>
    </message>
    <message>
        <location line="+23"/>
        <location line="+73"/>
        <location line="+153"/>
        <source>Point %1: %2</source>
        <translation>Точка %1: %2</translation>
    </message>
    <message>
        <location line="-225"/>
        <source>No point selected</source>
        <translation>Точка не выбрана</translation>
    </message>
    <message>
        <location line="-36"/>
        <source>Accepted</source>
        <translation>Принята</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>%1 ± %2</source>
        <translation>%1 ± %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>not reliable (± %1)</source>
        <translation>ненадёжно (± %1)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 Hz: %2 px</source>
        <translation>%1 Гц: %2 пикс.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Excluded</source>
        <translation>Исключена</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>Remove linear trend</source>
        <translation>Убрать линейный тренд</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Subtract each continuous run&apos;s mean and linear trend, as the local spectrum does</source>
        <translation>Вычитать среднее и линейный тренд каждого непрерывного участка, как при расчёте локального спектра</translation>
    </message>
    <message>
        <location line="+75"/>
        <source>X component</source>
        <translation>Компонента X</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Y component</source>
        <translation>Компонента Y</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Time, s</source>
        <translation>Время, с</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Local phase shift, rad</source>
        <translation>Локальный фазовый сдвиг, рад</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>Frequency, Hz</source>
        <translation>Частота, Гц</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Relative power</source>
        <translation>Относительная мощность</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Peak %1 Hz</source>
        <translation>Пик %1 Гц</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>The shaded span is the segment of the local spectrum.</source>
        <translation>Затенённый интервал — участок локального спектра.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Wheel: zoom; drag: move; double click: whole fragment.</source>
        <translation>Колесо: масштаб; перетаскивание: сдвиг; двойной щелчок: весь фрагмент.</translation>
    </message>
    <message>
        <location line="+142"/>
        <source>Strongest reliable point at %1 Hz: point %2, %3 px.</source>
        <translation>Сильнейшая надёжная точка на %1 Гц: точка %2, %3 пикс.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Show it</source>
        <translation>Показать</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Select the strongest reliable point of this line</source>
        <translation>Выбрать сильнейшую надёжную точку этой линии</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Without a known length amplitudes are given in pixels only; draw one on the source video.</source>
        <translation>Без известной длины амплитуды даны только в пикселях; задайте её на исходном видео.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>± is the standard error.</source>
        <translation>± — стандартная ошибка.</translation>
    </message>
    <message>
        <location line="-223"/>
        <source>No signal was recorded at this point.</source>
        <translation>В этой точке сигнал не записан.</translation>
    </message>
    <message>
        <location line="+95"/>
        <source>Select a point to see its vibration at each candidate frequency.</source>
        <translation>Выберите точку, чтобы увидеть её вибрацию на каждой частоте-кандидате.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Vibration at point %1</source>
        <translation>Вибрация в точке %1</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Less</source>
        <translation>Свернуть</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Table</source>
        <translation>Таблица</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The vibration at this point at every candidate frequency</source>
        <translation>Вибрация в этой точке на каждой частоте-кандидате</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Frequency
Hz</source>
        <translation>Частота
Гц</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Displacement
px, peak</source>
        <translation>Перемещение
пикс., пик</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Phase
°</source>
        <translation>Фаза
°</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Displacement
µm, peak</source>
        <translation>Перемещение
мкм, пик</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Velocity
mm/s, RMS</source>
        <translation>Скорость
мм/с, СКЗ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Acceleration
m/s², peak</source>
        <translation>Ускорение
м/с², пик</translation>
    </message>
    <message>
        <location line="+92"/>
        <source>Amplitudes are measured only at accepted points of the current spectrum.</source>
        <translation>Амплитуды измеряются только в принятых точках текущего спектра.</translation>
    </message>
</context>
<context>
    <name>PreviewController</name>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="+121"/>
        <source>Save or discard the current result before starting another analysis.</source>
        <translation>Сохраните или отмените текущий результат, прежде чем запускать новый анализ.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Source playback and FFmpeg must be ready before starting analysis.</source>
        <translation>Перед запуском анализа воспроизведение исходного видео и FFmpeg должны быть готовы.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Pause playback and wait until video navigation is ready before starting analysis.</source>
        <translation>Перед запуском анализа приостановите воспроизведение и дождитесь готовности навигации по видео.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Preparing analysis result</source>
        <translation>Подготовка результата анализа</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Cancelling analysis result</source>
        <translation>Отмена результата анализа</translation>
    </message>
    <message>
        <location line="+160"/>
        <source>Analysis result was cancelled</source>
        <translation>Результат анализа отменён</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+18"/>
        <source>Analysis result failed</source>
        <translation>Не удалось получить результат анализа</translation>
    </message>
    <message>
        <location line="-15"/>
        <source>Could not create the analysis result.</source>
        <translation>Не удалось создать результат анализа.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Could not prepare the analysis result for playback.</source>
        <translation>Не удалось подготовить результат анализа к воспроизведению.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Analysis result is ready</source>
        <translation>Результат анализа готов</translation>
    </message>
</context>
<context>
    <name>ProcessedViewport</name>
    <message>
        <location filename="../ui/qml/panels/ProcessedViewport.qml" line="+19"/>
        <source>Vibration amplification</source>
        <translation>Усиление вибраций</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Settings…</source>
        <translation>Настройки…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Amplification settings</source>
        <translation>Настройки усиления</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Save…</source>
        <translation>Сохранить…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save the amplified video</source>
        <translation>Сохранить усиленное видео</translation>
    </message>
    <message>
        <location line="+27"/>
        <location line="+19"/>
        <source>%1 · %2 %</source>
        <translation>%1 · %2 %</translation>
    </message>
    <message>
        <location line="-16"/>
        <source>No amplified result yet. Choose the amplification settings and start.</source>
        <translation>Усиленного результата пока нет. Задайте настройки усиления и запустите обработку.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>The amplified result no longer matches the settings.</source>
        <translation>Усиленный результат больше не соответствует настройкам.</translation>
    </message>
</context>
<context>
    <name>ProcessingParametersWriter</name>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="+205"/>
        <source>The reserved staging JSON file is missing or is not empty.</source>
        <translation>Зарезервированный промежуточный файл JSON отсутствует или не пуст.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Could not open the staging JSON file: %1</source>
        <translation>Не удалось открыть промежуточный файл JSON: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not write the staging JSON file: %1</source>
        <translation>Не удалось записать промежуточный файл JSON: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The written staging JSON file is empty.</source>
        <translation>Записанный промежуточный файл JSON пуст.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Exception while writing the staging JSON file: %1</source>
        <translation>Исключение при записи промежуточного файла JSON: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Unknown exception while writing the staging JSON file.</source>
        <translation>Неизвестное исключение при записи промежуточного файла JSON.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>A temporary file may remain at %1: %2</source>
        <translation>По пути %1 может остаться временный файл: %2</translation>
    </message>
</context>
<context>
    <name>ProcessingSettingsController</name>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="+41"/>
        <source>Rotation speed must be 0 or between 500 and 7000 RPM.</source>
        <translation>Частота вращения должна быть равна 0 или находиться в диапазоне от 500 до 7000 об/мин.</translation>
    </message>
    <message>
        <location line="+195"/>
        <source>Select at least %1 frames for this frequency band.</source>
        <translation>Для этой полосы частот выберите не менее %1 кадров.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Open and analyze a source video.</source>
        <translation>Откройте и проанализируйте исходное видео.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Enter the camera capture frame rate before choosing the frequency band.</source>
        <translation>Перед выбором полосы частот введите частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Confirm the capture frame rate under Video parameters: %1 FPS is only assumed, and every frequency depends on it.</source>
        <translation>Подтвердите частоту кадров съёмки в параметрах видео: %1 FPS лишь принята по умолчанию, а от неё зависит каждая частота.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Choose a valid analysis fragment.</source>
        <translation>Выберите допустимый фрагмент для анализа.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Choose a valid analysis region.</source>
        <translation>Выберите допустимую область анализа.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Lower frequency must be greater than 0 Hz.</source>
        <translation>Нижняя частота должна быть больше 0 Гц.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Upper frequency must be greater than lower frequency.</source>
        <translation>Верхняя частота должна быть больше нижней.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Upper frequency must be below the Nyquist frequency of %1 Hz.</source>
        <translation>Верхняя частота должна быть ниже частоты Найквиста %1 Гц.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Amplification factor must be between 1 and 50.</source>
        <translation>Коэффициент усиления должен находиться в диапазоне от 1 до 50.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The selected fragment is too short for this frequency band. Select at least %1 frames.</source>
        <translation>Выбранный фрагмент слишком короткий для этой полосы частот. Выберите не менее %1 кадров.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>The selected band is close to Nyquist; reliable frequency separation may be poor.</source>
        <translation>Выбранная полоса близка к частоте Найквиста; надёжное разделение частот может быть затруднено.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>High amplification may produce visible artifacts.</source>
        <translation>Сильное усиление может вызвать заметные артефакты.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>An amplification factor of 1 leaves motion unchanged.</source>
        <translation>Коэффициент усиления 1 оставляет движение без изменений.</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>A processing request is required.</source>
        <translation>Требуется запрос на обработку.</translation>
    </message>
</context>
<context>
    <name>RegionEditorItem</name>
    <message>
        <location filename="../src/controllers/RegionEditorItem.cpp" line="+383"/>
        <source>The region is too small.</source>
        <translation>Область слишком мала.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The region is invalid.</source>
        <translation>Область недопустима.</translation>
    </message>
</context>
<context>
    <name>RegionOverlay</name>
    <message>
        <location filename="../ui/qml/components/RegionOverlay.qml" line="+18"/>
        <source>Analysis region editor</source>
        <translation>Редактор области анализа</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use arrow keys to move the region. Hold Shift and use arrow keys to resize it.</source>
        <translation>Клавиши со стрелками перемещают область. С нажатой клавишей Shift стрелки меняют её размер.</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>Analysis region</source>
        <translation>Область анализа</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Camera reference</source>
        <translation>Опора камеры</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Camera reference region editor</source>
        <translation>Редактор опорной области камеры</translation>
    </message>
    <message>
        <location line="+87"/>
        <source>Drag over a still part of the scene to draw the camera reference region.</source>
        <translation>Проведите мышью по неподвижной части сцены, чтобы нарисовать опорную область камеры.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Editing camera reference region · Click outside or Enter to finish · Esc to cancel</source>
        <translation>Редактирование опорной области камеры · Щелчок снаружи или Enter — завершить · Esc — отменить</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Drag to draw the analysis region.</source>
        <translation>Протяните указатель, чтобы нарисовать область анализа.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Editing analysis region · Click outside or Enter to finish · Esc to cancel</source>
        <translation>Редактирование области анализа · Щелчок снаружи или Enter — завершить · Esc — отменить</translation>
    </message>
</context>
<context>
    <name>SourceViewport</name>
    <message>
        <location filename="../ui/qml/panels/SourceViewport.qml" line="+36"/>
        <source>Source video</source>
        <translation>Оригинал</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Draw, move or resize the analysis region on the frame</source>
        <translation>Нарисовать, переместить или изменить размер области анализа на кадре</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Draw a line along a part of known size to give amplitudes in µm, mm/s and m/s²</source>
        <translation>Проведите линию вдоль детали известного размера, чтобы получить амплитуды в мкм, мм/с и м/с²</translation>
    </message>
    <message>
        <location line="-13"/>
        <location line="+17"/>
        <source>Done</source>
        <translation>Готово</translation>
    </message>
    <message>
        <location line="-16"/>
        <source>Region</source>
        <translation>Область</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Scale</source>
        <translation>Масштаб</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Reference</source>
        <translation>Опора</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Draw a region over a still part of the scene (a wall, the floor, a fixed frame) on which the camera&apos;s own motion is measured and removed</source>
        <translation>Нарисовать область на неподвижной части сцены (стена, пол, неподвижная рама), по которой измеряется и устраняется собственное движение камеры</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Full frame</source>
        <translation>Весь кадр</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Analyse the whole frame</source>
        <translation>Анализировать весь кадр</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>%1 mm</source>
        <translation>%1 мм</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Line: %1 px. Enter its real length; drag an end to adjust it.</source>
        <translation>Линия: %1 пикс. Введите её реальную длину; конец линии можно перетащить.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Drag along a part of known size on the frame.</source>
        <translation>Проведите мышью вдоль детали известного размера на кадре.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Real length</source>
        <translation>Реальная длина</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>mm</source>
        <translation>мм</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Set</source>
        <translation>Задать</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Use this length to give amplitudes in µm, mm/s and m/s²</source>
        <translation>Использовать эту длину, чтобы дать амплитуды в мкм, мм/с и м/с²</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Clear</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Show amplitudes in pixels only</source>
        <translation>Показывать амплитуды только в пикселях</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Coordinates…</source>
        <translation>Координаты…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Type the two points as fractions of the frame width and height</source>
        <translation>Ввести две точки как доли ширины и высоты кадра</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>x1</source>
        <translation>x1</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>y1</source>
        <translation>y1</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>x2</source>
        <translation>x2</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>y2</source>
        <translation>y2</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Reading %1…</source>
        <translation>Чтение %1…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open a video or drop a file here.</source>
        <translation>Откройте видео или перетащите файл сюда.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>High-speed recordings show the most: state the camera&apos;s capture rate after opening.</source>
        <translation>Лучше всего подходят скоростные съёмки: после открытия укажите частоту кадров камеры.</translation>
    </message>
</context>
<context>
    <name>SpectrumAnalysis</name>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="+104"/>
        <source>Select automatic resource usage or a supported worker thread count.</source>
        <translation>Выберите автоматическое использование ресурсов или поддерживаемое число рабочих потоков.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>A prepared source video is required.</source>
        <translation>Требуется подготовленное исходное видео.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Enter a capture frame rate greater than 0 and no greater than 10000 fps.</source>
        <translation>Введите частоту кадров съёмки больше 0 и не более 10000 fps.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Confirm the capture frame rate: %1 fps is only assumed, and every frequency depends on it.</source>
        <translation>Подтвердите частоту кадров съёмки: %1 fps лишь принята по умолчанию, а от неё зависит каждая частота.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Select a frame range inside the source video.</source>
        <translation>Выберите диапазон кадров в пределах исходного видео.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Select between 65 and 65537 frames for spectrum analysis.</source>
        <translation>Выберите от 65 до 65537 кадров для спектрального анализа.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Select a region at least 32 by 32 pixels inside the frame.</source>
        <translation>Выберите в пределах кадра область размером не менее 32 на 32 пикселя.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The source exceeds the spectrum analysis limit of 32 megapixels.</source>
        <translation>Исходное видео превышает ограничение спектрального анализа в 32 мегапикселя.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Select one of the available grid densities.</source>
        <translation>Выберите одну из доступных плотностей сетки.</translation>
    </message>
    <message>
        <location line="+3"/>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="+133"/>
        <location line="+61"/>
        <source>The analysis region is too narrow after spatial reduction.</source>
        <translation>Область анализа слишком узка после пространственного уменьшения.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>This grid supports at most %1 frames within the signal memory budget. Shorten the fragment or choose a coarser grid.</source>
        <translation>Максимальное число кадров для этой сетки в пределах бюджета памяти сигналов: %1. Сократите фрагмент или выберите более грубую сетку.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Select a camera reference region at least 32 by 32 pixels inside the frame.</source>
        <translation>Выберите в пределах кадра опорную область камеры размером не менее 32 на 32 пикселя.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Mark two points at least one pixel apart inside the frame and enter their distance in millimetres greater than 0.</source>
        <translation>Отметьте внутри кадра две точки на расстоянии не менее одного пикселя и введите расстояние между ними в миллиметрах больше 0.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="-20"/>
        <source>The selected frame range could not be decoded completely.</source>
        <translation>Не удалось полностью декодировать выбранный диапазон кадров.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Decoded frames do not match the selected uniform range.</source>
        <translation>Декодированные кадры не соответствуют выбранному равномерному диапазону.</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>No continuous reliable phase signals were found. Select a textured region or a shorter stable fragment.</source>
        <translation>Непрерывные надёжные фазовые сигналы не найдены. Выберите текстурированную область или более короткий стабильный фрагмент.</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>Spectrum analysis failed while allocating or processing data.</source>
        <translation>Сбой спектрального анализа при выделении памяти или обработке данных.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumViews.cpp" line="+203"/>
        <source>No textured point in this cell on the first frame.</source>
        <translation>На первом кадре в этой ячейке нет текстурированной точки.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Longest segment: %1 s, starting at %2 s. Lost samples: low contrast %3, phase jump %4, non-finite %5.</source>
        <translation>Самый длинный сегмент: %1 с, начало на %2 с. Потерянные отсчёты: низкий контраст — %3, скачок фазы — %4, нечисловые значения — %5.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Accepted continuous segment.</source>
        <translation>Принятый непрерывный сегмент.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Continuous segment is too short (minimum 64 samples and 25% of the fragment).</source>
        <translation>Непрерывный сегмент слишком короткий (минимум 64 отсчёта и 25% фрагмента).</translation>
    </message>
</context>
<context>
    <name>SpectrumChartView</name>
    <message>
        <location filename="../ui/qml/panels/SpectrumChartView.qml" line="+43"/>
        <source>Frequency, Hz</source>
        <translation>Частота, Гц</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Relative power</source>
        <translation>Относительная мощность</translation>
    </message>
    <message>
        <location line="+99"/>
        <source>%1 Hz · relative power %2</source>
        <translation>%1 Гц · относительная мощность %2</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>No band selected · grid: %1 Hz</source>
        <translation>Полоса не выбрана · шаг сетки: %1 Гц</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Band: %1–%2 Hz · grid: %3 Hz</source>
        <translation>Полоса: %1–%2 Гц · шаг сетки: %3 Гц</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Apply in vibration amplifier</source>
        <translation>Применить в усилителе вибраций</translation>
    </message>
</context>
<context>
    <name>SpectrumController</name>
    <message>
        <location filename="../src/controllers/SpectrumInputs.cpp" line="+210"/>
        <source>Grid: %1 × %2 (%3 points); requested: %4 × %5.</source>
        <translation>Сетка: %1 × %2 (%3 точек); запрошено: %4 × %5.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumPhaseMap.cpp" line="+24"/>
        <source>The common continuous interval is too short.</source>
        <translation>Общий непрерывный интервал слишком короткий.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The selected component has insufficient energy at this frequency in this cell or the reference.</source>
        <translation>У выбранной компоненты недостаточно энергии на этой частоте в этой ячейке или в опорной точке.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The relative phase changes by more than 30° between interval halves.</source>
        <translation>Относительная фаза меняется более чем на 30° между половинами интервала.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>No accepted signal in this cell or the reference.</source>
        <translation>Нет принятого сигнала в этой ячейке или в опорной точке.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumRun.cpp" line="+43"/>
        <source>Cancelling spectrum analysis</source>
        <translation>Отмена спектрального анализа</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Analyzing motion frame by frame…</source>
        <translation>Покадровый анализ движения…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Calculating spectrum</source>
        <translation>Расчёт спектра</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Camera motion removed: %1 px peak, %2 px RMS; match quality %3 (lowest %4).</source>
        <translation>Движение камеры убрано: пик %1 пикс., СКЗ %2 пикс.; качество совмещения %3 (худшее %4).</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumController.cpp" line="+103"/>
        <source>Some peaks overlap. The proposed band does not guarantee isolation of one component.</source>
        <translation>Некоторые пики перекрываются. Предложенная полоса не гарантирует выделения одной компоненты.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumRun.cpp" line="+14"/>
        <source>What the analysis measures
The analysis follows the local phase of image structure at every point of a grid inside the analysis region and computes the spectrum of that motion. Relative power compares frequencies with one another; it is not a displacement in millimetres. Camera shake, changes of light and large movement of the object also change the signal.

How to interpret a peak
A peak is a frequency worth investigating, not proof of a mechanical vibration. Each point is judged against its own noise, so a line that a few clean points carry is found among many noisy ones. Check its contrast, how many points show it and whether both halves of the fragment show it again, then confirm it with the amplified video.

Amplitude
Every point&apos;s displacement at a line&apos;s frequency comes with a standard error from its own noise. It counts as reliable when the point carries the line, the amplitude is at least four times its error and its swing stays inside the cell. A line&apos;s amplitude is the median over its reliable points, each weighted by how clearly it shows the motion, with the quartiles as its spread; the points view names the strongest reliable point.

Frame rate and accuracy
Every frequency depends on the capture frame rate, which for a slow-motion file differs from its playback rate. A new file starts from an assumed 240 fps, which must be confirmed or changed before anything is measured. Frequencies are refined between the spectrum&apos;s bins. Motion faster than half the capture rate appears at a false, lower frequency (aliasing). A finer frequency grid does not by itself separate two close vibrations; only a longer fragment does.</source>
        <translation>Что измеряет анализ
Анализ отслеживает локальную фазу структуры изображения в каждой точке сетки внутри области анализа и рассчитывает спектр этого движения. Относительная мощность сравнивает частоты между собой; это не перемещение в миллиметрах. Сигнал также изменяют дрожание камеры, изменения освещения и крупное движение объекта.

Как интерпретировать пик
Пик — это частота, которую стоит исследовать, а не доказательство механической вибрации. Каждая точка оценивается относительно собственного шума, поэтому линию, которую несут несколько чистых точек, удаётся найти среди множества зашумлённых. Проверьте её контраст, количество точек, в которых она видна, и повторяется ли она в обеих половинах фрагмента, затем подтвердите её усиленным видео.

Амплитуда
Перемещение каждой точки на частоте линии сопровождается стандартной ошибкой, оценённой по её собственному шуму. Оценка считается надёжной, если точка несёт линию, амплитуда не меньше четырёх ошибок, а размах не выходит за пределы ячейки. Амплитуда линии — медиана по её надёжным точкам, взвешенная по тому, насколько ясно каждая показывает движение; квартили показывают разброс. Вид точек называет сильнейшую надёжную точку.

Частота кадров и точность
Каждая частота зависит от частоты кадров съёмки, которая у файла замедленной съёмки отличается от частоты воспроизведения. Для нового файла принимается 240 fps; эту частоту нужно подтвердить или изменить, прежде чем что-либо измерять. Частоты уточняются между отсчётами спектра. Движение быстрее половины частоты съёмки проявляется на ложной, более низкой частоте (алиасинг). Более мелкая сетка частот сама по себе не разделяет две близкие вибрации; это делает только более длинный фрагмент.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumInputs.cpp" line="-29"/>
        <source>Frames %1–%2; analysis region: x=%3%, y=%4%, width=%5%, height=%6%.</source>
        <translation>Кадры %1–%2; область анализа: x=%3%, y=%4%, ширина=%5%, высота=%6%.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumRun.cpp" line="-41"/>
        <source>%1 fps; frames %2–%3; %4/%5 reliable sites; grid %6 Hz; window scale %7 Hz; %8 × %9 analysis pixels; %10 ms.</source>
        <translation>%1 кадр/с; кадры %2–%3; надёжных точек: %4/%5; сетка %6 Гц; масштаб окна %7 Гц; %8 × %9 пикселей анализа; %10 мс.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumController.cpp" line="+23"/>
        <source>Calculate a spectrum first.</source>
        <translation>Сначала рассчитайте спектр.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The spectrum is stale. Recalculate it for the current inputs.</source>
        <translation>Спектр устарел. Пересчитайте его для текущих входных данных.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Wait for the active operation to finish.</source>
        <translation>Дождитесь завершения текущей операции.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumBandSelection.cpp" line="+52"/>
        <source>Select a band strictly between 0 Hz and the Nyquist frequency.</source>
        <translation>Выберите полосу строго между 0 Гц и частотой Найквиста.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumPhaseMap.cpp" line="+174"/>
        <source>Cancelling phase calculation…</source>
        <translation>Отмена расчёта фазы…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Calculating relative phase…</source>
        <translation>Расчёт относительной фазы…</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Calculate a spectrum for the current fragment and analysis region before comparing phase.</source>
        <translation>Перед сравнением фаз рассчитайте спектр для текущего фрагмента и области анализа.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Select one frequency candidate for the phase map.</source>
        <translation>Выберите один кандидат частоты для карты фазы.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Click a cell to select the phase reference point.</source>
        <translation>Щёлкните ячейку, чтобы выбрать опорную точку фазы.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>This reference has no accepted continuous signal. Choose another point.</source>
        <translation>У этой опорной точки нет принятого непрерывного сигнала. Выберите другую точку.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Calculate phase for the selected frequency, component and reference.</source>
        <translation>Рассчитайте фазу для выбранной частоты, компоненты и опорной точки.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumInputs.cpp" line="-49"/>
        <source>Select one of the available grid densities.</source>
        <translation>Выберите одну из доступных плотностей сетки.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Effective grid: %1 × %2 (%3 points), analysis image: %4 × %5 pixels. Maximum fragment: %6 frames for this grid.</source>
        <translation>Фактическая сетка: %1 × %2 (%3 точек), изображение анализа: %4 × %5 пикселей. Максимальный фрагмент для этой сетки: %6 кадров.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumRun.cpp" line="+129"/>
        <source>Spectrum analysis failed.</source>
        <translation>Ошибка спектрального анализа.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumBandSelection.cpp" line="+15"/>
        <source>The selected fragment has %1 frames. Automatic band expansion up to four times the original width could not satisfy the amplifier&apos;s duration requirement. Select a longer fragment or adjust the band manually. Amplification settings were not changed.</source>
        <translation>Выбранный фрагмент содержит %1 кадров. Автоматическое расширение полосы до четырёхкратной исходной ширины не позволило выполнить требование усилителя к длительности. Выберите более длинный фрагмент или настройте полосу вручную. Параметры усиления не изменены.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The band could not be applied. Check that amplification settings are editable.</source>
        <translation>Не удалось применить полосу. Проверьте, что параметры усиления доступны для изменения.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Band %1–%2 Hz applied to amplification without expansion; the selected fragment is long enough.</source>
        <translation>Полоса %1–%2 Гц применена к усилению без расширения; выбранный фрагмент достаточно длинный.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>For amplification, the band was expanded from %1–%2 Hz to %3–%4 Hz for the selected %5 frames. The spectrum selection is unchanged. Nearby oscillations may also be amplified.</source>
        <translation>Для усиления полоса расширена с %1–%2 Гц до %3–%4 Гц для выбранных %5 кадров. Выбор на спектре не изменён. Близкие колебания также могут быть усилены.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Calculate a spectrum to show the first frame and local frequency map.</source>
        <translation>Рассчитайте спектр, чтобы показать первый кадр и карту локальных частот.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Select a valid frequency band to highlight it on the first frame.</source>
        <translation>Выберите допустимую полосу частот, чтобы выделить её на первом кадре.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>No sufficiently strong local signal in this band. Unavailable cells remain transparent.</source>
        <translation>В этой полосе нет достаточно сильного локального сигнала. Недоступные ячейки остаются прозрачными.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Highlighted cells: %1 of %2 reliable sites. Values are normalized to the strongest site in this band.</source>
        <translation>Выделено ячеек: %1 из %2 надёжных точек. Значения нормированы на самую сильную точку в этой полосе.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PointInspection.cpp" line="+53"/>
        <source>Accepted points: %1 of %2. Spectrum uses each point&apos;s longest continuous segment; gaps are not interpolated.</source>
        <translation>Принято точек: %1 из %2. Спектр использует самый длинный непрерывный участок каждой точки; пропуски не интерполируются.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Local spectrum unavailable: this point has no accepted continuous segment.</source>
        <translation>Локальный спектр недоступен: у этой точки нет принятого непрерывного участка.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>The local spectrum could not be calculated.</source>
        <translation>Не удалось рассчитать локальный спектр.</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Local spectrum of the highlighted segment. Linear trend is removed; power is normalized within this point. The largest bin is not a confirmed vibration frequency.</source>
        <translation>Локальный спектр выделенного участка. Линейный тренд удалён; мощность нормирована в пределах этой точки. Наибольший бин не является подтверждённой частотой вибрации.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>No measurable local spectral power in the accepted segment.</source>
        <translation>На принятом участке нет измеримой локальной спектральной мощности.</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumPhaseMap.cpp" line="-33"/>
        <source>No phase estimate yet.</source>
        <translation>Оценки фазы пока нет.</translation>
    </message>
    <message>
        <location line="-49"/>
        <source>Phase calculation cancelled.</source>
        <translation>Расчёт фазы отменён.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Phase shown for %1 of %2 points. Each pair uses its common continuous interval.</source>
        <translation>Фаза показана для %1 из %2 точек. Каждая пара использует свой общий непрерывный интервал.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>No stable phase estimates. Try another reference, component or frequency.</source>
        <translation>Нет устойчивых оценок фазы. Попробуйте другую опорную точку, компоненту или частоту.</translation>
    </message>
    <message>
        <location filename="../src/controllers/AnalysisExportFlow.cpp" line="+122"/>
        <source>Choose an available export format for the current analysis and a local file.</source>
        <translation>Выберите доступный формат экспорта для текущего анализа и локальный файл.</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Saving analysis export…</source>
        <translation>Сохранение экспорта анализа…</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Analysis export saved: %1</source>
        <translation>Экспорт анализа сохранён: %1</translation>
    </message>
    <message>
        <location filename="../src/controllers/SpectrumAmplitudes.cpp" line="+119"/>
        <source>A known length needs two different points inside the frame and a positive distance in millimetres.</source>
        <translation>Для известной длины нужны две разные точки внутри кадра и положительное расстояние в миллиметрах.</translation>
    </message>
</context>
<context>
    <name>SpectrumResultView</name>
    <message>
        <location filename="../ui/qml/panels/SpectrumResultView.qml" line="+30"/>
        <source>Spectral analysis</source>
        <translation>Спектральный анализ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Stop</source>
        <translation>Остановить</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Start analysis</source>
        <translation>Начать анализ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Cancel spectral analysis</source>
        <translation>Отменить спектральный анализ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Configure and start spectral analysis</source>
        <translation>Настроить и запустить спектральный анализ</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Export…</source>
        <translation>Экспорт…</translation>
    </message>
    <message>
        <location line="+170"/>
        <source>Spectrum</source>
        <translation>Спектр</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Bands</source>
        <translation>Полосы</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Points</source>
        <translation>Точки</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Map</source>
        <translation>Карта</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Phase</source>
        <translation>Фаза</translation>
    </message>
    <message>
        <location line="+102"/>
        <location line="+130"/>
        <source>Power map settings</source>
        <translation>Настройки карты мощности</translation>
    </message>
    <message>
        <location line="-320"/>
        <source>Reading the spectrum</source>
        <translation>Как читать спектр</translation>
    </message>
    <message>
        <location line="+277"/>
        <source>Spectral analysis is not available.</source>
        <translation>Спектральный анализ недоступен.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 · %2 %</source>
        <translation>%1 · %2 %</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>No spectrum yet. Choose Start analysis to calculate one.</source>
        <translation>Спектра пока нет. Выберите «Начать анализ», чтобы рассчитать его.</translation>
    </message>
    <message>
        <location line="-309"/>
        <source>Spectrum is outdated. Recalculate before applying a band.</source>
        <translation>Спектр устарел. Пересчитайте его перед применением полосы.</translation>
    </message>
    <message>
        <location line="-20"/>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 Hz · %2</source>
        <translation>%1 Гц · %2</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Choose a candidate for relative phase</source>
        <translation>Выберите кандидата для относительной фазы</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Custom band: %1–%2 Hz</source>
        <translation>Своя полоса: %1–%2 Гц</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>No frequency band selected</source>
        <translation>Полоса частот не выбрана</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Spectrum calculation cancelled</source>
        <translation>Расчёт спектра отменён</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Reading the band power map</source>
        <translation>Как читать карту мощности в полосе</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reading the analysis points</source>
        <translation>Как читать точки анализа</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Reading the bands table</source>
        <translation>Как читать таблицу полос</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reading the phase map</source>
        <translation>Как читать карту фазы</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Each coloured cell is one analysis point on the first frame of the fragment. Its colour shows how much motion in the selected frequency band this point carries, as a percentage of the strongest point in the same band (100 %). The map shows where on the equipment the selected frequency is strongest; it is a relative measure, not a displacement in millimetres.

Cells without a reliable signal in the band, and cells below 0.01 % on the logarithmic scale, stay transparent. The yellow frame marks the analysis region.

Choose another candidate above, or select a band on the spectrum chart, to redraw the map. Power map settings switch between the logarithmic scale, which keeps weak areas visible next to strong ones, and the linear scale, which makes only the strongest areas stand out.

Hover over a cell to read its value and the local peak frequency. Zoom with the mouse wheel, drag to pan, double-click to see the whole frame.</source>
        <translation>Каждая цветная ячейка — одна точка анализа на первом кадре фрагмента. Её цвет показывает, сколько движения в выбранной полосе частот приходится на эту точку, в процентах от самой сильной точки в той же полосе (100 %). Карта показывает, где на оборудовании выбранная частота сильнее всего; это относительная мера, а не перемещение в миллиметрах.

Ячейки без надёжного сигнала в полосе и ячейки ниже 0,01 % на логарифмической шкале остаются прозрачными. Жёлтая рамка обозначает область анализа.

Выберите другого кандидата выше или выделите полосу на графике спектра, чтобы перестроить карту. В настройках карты мощности можно переключиться между логарифмической шкалой, при которой слабые области видны рядом с сильными, и линейной, при которой выделяются только самые сильные.

Наведите указатель на ячейку, чтобы увидеть её значение и частоту локального пика. Колесо мыши масштабирует, перетаскивание сдвигает изображение, двойной щелчок показывает весь кадр.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Each marker is one analysis point of the grid on the first frame of the fragment. Green points were accepted into the spectrum; red points were excluded, for example because the image there has too little texture, the motion could not be followed, or the continuous part of the signal is too short.

Click a point to select it. Its signal trace shows the measured motion over time, and its local spectrum shows the frequencies at this point alone, which tells a local vibration from one that the whole structure shares.

When many points are excluded, choose a region with more visible texture, improve the lighting, keep the camera still or use a longer fragment.</source>
        <translation>Каждый маркер — одна точка сетки анализа на первом кадре фрагмента. Зелёные точки вошли в спектр; красные исключены — например, потому что изображение в этом месте слишком однородно, движение не удалось отследить или непрерывная часть сигнала слишком коротка.

Щёлкните точку, чтобы выбрать её. Её сигнал показывает измеренное движение во времени, а локальный спектр — частоты только в этой точке; так можно отличить местную вибрацию от общей для всей конструкции.

Если исключено много точек, выберите область с более заметной текстурой, улучшите освещение, зафиксируйте камеру или возьмите более длинный фрагмент.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Each row is a frequency candidate: a spectral peak worth investigating, not proof of a mechanical vibration.

Band power is the share of the total motion power inside the candidate&apos;s band. Contrast compares the peak with its neighbouring frequencies. Support is the share of accepted points at which the frequency stands out: a vibration of the whole structure has wide support, a local one narrow support. Stability tells in how many halves of the fragment the peak is found again.

A strong, high-contrast peak with wide support and full stability is the most trustworthy. Click a row to select its band; right-click to apply it to the vibration amplification.</source>
        <translation>Каждая строка — кандидат частоты: спектральный пик, который стоит исследовать, но не доказательство механической вибрации.

Мощность в полосе — доля полной мощности движения внутри полосы кандидата. Контраст сравнивает пик с соседними частотами. Поддержка — доля принятых точек, в которых эта частота выделяется: у вибрации всей конструкции поддержка широкая, у местной — узкая. Устойчивость показывает, в скольких половинах фрагмента пик обнаруживается снова.

Наиболее надёжен сильный пик с высоким контрастом, широкой поддержкой и полной устойчивостью. Щелчок по строке выбирает её полосу; правый щелчок позволяет применить её к усилению вибраций.</translation>
    </message>
    <message>
        <location line="+123"/>
        <source>Frequency candidate and band power</source>
        <translation>Кандидат частоты и мощность в полосе</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Motion component for the phase</source>
        <translation>Составляющая движения для фазы</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Component X</source>
        <translation>Составляющая X</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Component Y</source>
        <translation>Составляющая Y</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Calculate phase</source>
        <translation>Рассчитать фазу</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancelling phase calculation…</source>
        <translation>Отмена расчёта фазы…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel phase calculation</source>
        <translation>Отменить расчёт фазы</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Apply to vibration amplification</source>
        <translation>Применить к усилению вибраций</translation>
    </message>
    <message>
        <location line="+145"/>
        <source>Help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+49"/>
        <location line="+17"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <location line="-57"/>
        <source>Colour scale of the band power map</source>
        <translation>Цветовая шкала карты мощности в полосе</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Logarithmic</source>
        <translation>Логарифмическая</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Each colour step is ten times more power, from 0.01 % to 100 % of the strongest point. Weak areas stay visible next to strong ones.</source>
        <translation>Каждая ступень цвета — мощность в десять раз больше, от 0,01 % до 100 % от самой сильной точки. Слабые области остаются видны рядом с сильными.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Linear</source>
        <translation>Линейная</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Colour proportional to power. Only the strongest areas stand out; everything below a few per cent looks alike.</source>
        <translation>Цвет пропорционален мощности. Выделяются только самые сильные области; всё, что ниже нескольких процентов, выглядит одинаково.</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>Power map colour scales</source>
        <translation>Цветовые шкалы карты мощности</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The band power map colours each analysis point by the power of its motion inside the selected band, as a percentage of the strongest point in that band.

The logarithmic scale spreads the colours over four decades: 0.01 %, 0.1 %, 1 %, 10 % and 100 % are equally far apart. Use it to find every place that moves at the selected frequency, including weak ones, for example to see how far a vibration spreads from its source.

The linear scale gives 25 %, 50 % and 75 % equal steps. Use it to compare the strongest areas with each other; weak points then all look dark.

Points below 0.01 % or without a reliable signal stay transparent on both scales. The exported power map image and report use the scale chosen here.</source>
        <translation>Карта мощности окрашивает каждую точку анализа по мощности её движения в выбранной полосе — в процентах от самой сильной точки в этой полосе.

Логарифмическая шкала распределяет цвета на четыре порядка: 0,01 %, 0,1 %, 1 %, 10 % и 100 % отстоят друг от друга одинаково. Она помогает найти все места, которые движутся на выбранной частоте, включая слабые, — например, чтобы увидеть, как далеко вибрация распространяется от источника.

Линейная шкала даёт равные шаги 25 %, 50 % и 75 %. Она удобна для сравнения самых сильных областей между собой; слабые точки при этом выглядят одинаково тёмными.

Точки ниже 0,01 % или без надёжного сигнала остаются прозрачными на обеих шкалах. Экспортируемое изображение карты мощности и отчёт используют выбранную здесь шкалу.</translation>
    </message>
    <message>
        <location line="-369"/>
        <source>The phase map compares the timing of the motion at one frequency across the analysis points. Each cell&apos;s colour is the phase of that point&apos;s motion relative to the reference point, marked with a ring, from −180° to 180°. The scale is cyclic: −180° and 180° have the same colour.

Points that move together share the reference&apos;s colour (0°). Points near ±180° move in antiphase, as in rocking, bending or torsion. A gradual change of colour along a part suggests a travelling wave or a mode shape.

To calculate: choose a candidate frequency above, click a cell to make it the reference, choose the component (X horizontal, Y vertical motion in the image) and press Calculate phase. Each pair of points uses only the interval in which both signals are continuous. Cells without a stable estimate stay uncoloured; shaded cells were excluded from the analysis and cannot be a reference.

The phase is meaningful only where the point clearly moves at the chosen frequency: check the band power map first.</source>
        <translation>Карта фазы сравнивает синхронность движения на одной частоте во всех точках анализа. Цвет ячейки — фаза движения этой точки относительно опорной точки, обведённой кольцом, от −180° до 180°. Шкала циклическая: −180° и 180° имеют один цвет.

Точки, движущиеся вместе, окрашены как опорная (0°). Точки около ±180° движутся в противофазе — так бывает при качании, изгибе или кручении. Плавное изменение цвета вдоль детали указывает на бегущую волну или форму колебаний.

Порядок расчёта: выберите частоту-кандидата выше, щёлкните ячейку, чтобы сделать её опорной, выберите составляющую (X — горизонтальное, Y — вертикальное движение в изображении) и нажмите «Рассчитать фазу». Каждая пара точек использует только интервал, на котором оба сигнала непрерывны. Ячейки без устойчивой оценки остаются неокрашенными; затенённые ячейки исключены из анализа и не могут быть опорными.

Фаза имеет смысл только там, где точка явно движется на выбранной частоте: сначала проверьте карту мощности в полосе.</translation>
    </message>
</context>
<context>
    <name>SpectrumSettingsDialog</name>
    <message>
        <location filename="../ui/qml/panels/SpectrumSettingsDialog.qml" line="+31"/>
        <source>Zazira spectrum analysis</source>
        <translation>Спектральный анализ Zazira</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Spectral analysis is not available.</source>
        <translation>Спектральный анализ недоступен.</translation>
    </message>
    <message>
        <location line="+76"/>
        <source>Capture frame rate</source>
        <translation>Частота кадров съёмки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FPS</source>
        <translation>кадр/с</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Confirm</source>
        <translation>Подтвердить</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The rate is only assumed; confirm it as the camera&apos;s capture rate</source>
        <translation>Частота лишь принята по умолчанию; подтвердите её как частоту съёмки камеры</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+3"/>
        <location line="+116"/>
        <source>Spectrum parameters</source>
        <translation>Параметры спектра</translation>
    </message>
    <message>
        <location line="-101"/>
        <location line="+8"/>
        <source>Point density</source>
        <translation>Плотность точек</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>%1 × %2 (%3 points)</source>
        <translation>%1 × %2 (%3 точек)</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>Computing resources</source>
        <translation>Вычислительные ресурсы</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Automatic · %1 threads</source>
        <translation>Автоматически · потоков: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Manual · %1 threads</source>
        <translation>Вручную · потоков: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Choose how many worker threads spectral analysis may use.</source>
        <translation>Выберите, сколько рабочих потоков может использовать спектральный анализ.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Automatic (recommended)</source>
        <translation>Автоматически (рекомендуется)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Let the application select the worker count for this computer</source>
        <translation>Приложение само выберет число потоков для этого компьютера</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Manual worker count</source>
        <translation>Число потоков вручную</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>threads</source>
        <translation>потоков</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Available logical processors: %1</source>
        <translation>Доступно логических процессоров: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Worker thread budget: %1</source>
        <translation>Бюджет рабочих потоков: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 threads</source>
        <translation>потоков: %1</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Calculate spectrum</source>
        <translation>Рассчитать спектр</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>The analysis follows the motion of a grid of points inside the analysis region and calculates which frequencies they share.

Set the capture frame rate at which the camera recorded, then choose the point density: more points show finer detail but take longer.

The grid is limited by the region&apos;s size in pixels, by memory and by the fragment length; the plan below the density shows what will be used.

Settings take effect when the calculation starts; the previous result stays until then.

The worker count limits how many processor threads the analysis may use.</source>
        <translation>Анализ отслеживает движение сетки точек внутри области анализа и вычисляет общие для них частоты.

Укажите частоту кадров, с которой снимала камера, затем выберите плотность точек: больше точек дают больше деталей, но считаются дольше.

Сетка ограничена размером области в пикселях, памятью и длиной фрагмента; план под плотностью показывает, что будет использовано.

Настройки вступают в силу при запуске расчёта; до этого сохраняется прежний результат.

Число потоков ограничивает, сколько потоков процессора может занять анализ.</translation>
    </message>
</context>
<context>
    <name>StatusBar</name>
    <message>
        <location filename="../ui/qml/panels/StatusBar.qml" line="+23"/>
        <source>Cancelling video reading…</source>
        <translation>Отмена чтения видео…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reading video…</source>
        <translation>Чтение видео…</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>Saved: %1</source>
        <translation>Сохранено: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open a video to begin.</source>
        <translation>Откройте видео, чтобы начать.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The amplified result no longer matches the settings.</source>
        <translation>Усиленный результат больше не соответствует настройкам.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ready</source>
        <translation>Готово</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>TemporaryVideo</name>
    <message>
        <location filename="../src/results/TemporaryVideo.cpp" line="+91"/>
        <source>Could not write the temporary analysis result. Check free disk space and access to the temporary folder.</source>
        <translation>Не удалось записать временный результат анализа. Проверьте свободное место на диске и доступ к временному каталогу.</translation>
    </message>
    <message>
        <location line="+79"/>
        <source>Could not read the temporary analysis result. Run the analysis again.</source>
        <translation>Не удалось прочитать временный результат анализа. Выполните анализ повторно.</translation>
    </message>
</context>
<context>
    <name>TemporaryVideoSource</name>
    <message>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="+28"/>
        <location line="+77"/>
        <location line="+18"/>
        <source>No analysis result is available.</source>
        <translation>Результат анализа отсутствует.</translation>
    </message>
    <message>
        <location line="-49"/>
        <location line="+12"/>
        <source>The requested frame is outside the analysis result.</source>
        <translation>Запрошенный кадр находится за пределами результата анализа.</translation>
    </message>
</context>
<context>
    <name>TopBar</name>
    <message>
        <location filename="../ui/qml/panels/TopBar.qml" line="+30"/>
        <source>Open video</source>
        <translation>Открыть видео</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>No video selected</source>
        <translation>Видео не выбрано</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Video parameters</source>
        <translation>Параметры видео</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Confirm the capture rate…</source>
        <translation>Подтвердите частоту съёмки…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 fps is only assumed: nothing is analysed or amplified until you confirm it or enter the camera&apos;s rate</source>
        <translation>%1 fps лишь принята по умолчанию: ничего не анализируется и не усиливается, пока вы не подтвердите её или не введёте частоту камеры</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Vibration amplification</source>
        <translation>Усиление вибраций</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Show vibration amplification</source>
        <translation>Показать усиление вибраций</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Spectral analysis</source>
        <translation>Спектральный анализ</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Show spectral analysis</source>
        <translation>Показать спектральный анализ</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>About</source>
        <translation>О программе</translation>
    </message>
</context>
<context>
    <name>TransportBar</name>
    <message>
        <location filename="../ui/qml/panels/TransportBar.qml" line="+25"/>
        <source>Pause video</source>
        <translation>Пауза</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Play selection</source>
        <translation>Воспроизвести выбранное</translation>
    </message>
    <message>
        <location line="+8"/>
        <location line="+3"/>
        <source>Previous frame</source>
        <translation>Предыдущий кадр</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+3"/>
        <source>Next frame</source>
        <translation>Следующий кадр</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Playback position</source>
        <translation>Позиция воспроизведения</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>Frame %1 / %2</source>
        <translation>Кадр %1 / %2</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Selected: %1 frames</source>
        <translation>Выбрано кадров: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Start moved to frame %1: irregular timing at the beginning.</source>
        <translation>Начало перенесено на кадр %1: неравномерные интервалы в начале.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Start here</source>
        <translation>Начало здесь</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Begin the selection at the current frame</source>
        <translation>Начать выделение с текущего кадра</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>End here</source>
        <translation>Конец здесь</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>End the selection at the current frame</source>
        <translation>Закончить выделение текущим кадром</translation>
    </message>
</context>
<context>
    <name>VideoParametersPanel</name>
    <message>
        <location filename="../ui/qml/panels/VideoParametersPanel.qml" line="+16"/>
        <source>%1 FPS</source>
        <translation>%1 кадр/с</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+4"/>
        <location line="+32"/>
        <source>unknown</source>
        <translation>неизвестно</translation>
    </message>
    <message>
        <location line="-33"/>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>assumed</source>
        <translation>принята по умолчанию</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>detected</source>
        <translation>определена</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Container</source>
        <translation>Контейнер</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Codec</source>
        <translation>Кодек</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Frame size</source>
        <translation>Размер кадра</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 × %2 px</source>
        <translation>%1 × %2 пикс.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Frames</source>
        <translation>Кадров</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Playback duration</source>
        <translation>Длительность воспроизведения</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Nominal frame rate</source>
        <translation>Номинальная частота кадров</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Playback frame rate</source>
        <translation>Частота кадров воспроизведения</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+121"/>
        <source>Capture frame rate</source>
        <translation>Частота кадров съёмки</translation>
    </message>
    <message>
        <location line="-135"/>
        <source>entered</source>
        <translation>введена</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Slow-motion factor</source>
        <translation>Коэффициент замедления</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Recording duration</source>
        <translation>Длительность съёмки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Frame timing</source>
        <translation>Интервалы кадров</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Irregular: frames are not evenly spaced.</source>
        <translation>Неравномерные: кадры расположены неравномерно.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Regular</source>
        <translation>Равномерные</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The video is being read…</source>
        <translation>Видео читается…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The video is not ready yet.</source>
        <translation>Видео ещё не готово.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No video selected</source>
        <translation>Видео не выбрано</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Slow motion: the capture rate differs from the playback rate, so every time and frequency is measured at the capture rate.</source>
        <translation>Замедленная съёмка: частота съёмки отличается от частоты воспроизведения, поэтому все времена и частоты отсчитываются по частоте съёмки.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Confirm the capture frame rate</source>
        <translation>Подтвердите частоту кадров съёмки</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 is assumed, as high-speed cameras often record at it; the file itself states %2.</source>
        <translation>Принято %1 — с такой частотой часто снимают скоростные камеры; в самом файле указано %2.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 is assumed, as high-speed cameras often record at it.</source>
        <translation>Принято %1 — с такой частотой часто снимают скоростные камеры.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Nothing is analysed or amplified until you confirm it or enter the camera&apos;s rate below.</source>
        <translation>Ничего не анализируется и не усиливается, пока вы не подтвердите её или не введёте частоту камеры ниже.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Confirm %1</source>
        <translation>Подтвердить %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Use the file&apos;s %1</source>
        <translation>Взять из файла: %1</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>FPS</source>
        <translation>кадр/с</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Enter the rate at which the camera recorded. Slow-motion videos play slower than they were recorded; every frequency depends on this rate.</source>
        <translation>Введите частоту, с которой снимала камера. Замедленные видео воспроизводятся медленнее, чем были сняты; от этой частоты зависят все частоты.</translation>
    </message>
</context>
<context>
    <name>VideoProcessingPipeline</name>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="+130"/>
        <source>Unexpected file processing error: %1</source>
        <translation>Непредвиденная ошибка обработки файла: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Unknown file processing error.</source>
        <translation>Неизвестная ошибка обработки файла.</translation>
    </message>
    <message>
        <location line="+132"/>
        <source>A file may remain at %1: %2</source>
        <translation>По пути %1 может остаться файл: %2</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Processing was cancelled by the user.</source>
        <translation>Обработка отменена пользователем.</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>An output path matches the input file or a result file already exists.</source>
        <translation>Выходной путь совпадает с входным файлом, или файл результата уже существует.</translation>
    </message>
    <message>
        <location line="+108"/>
        <source>The decoder reached the end of the stream before the calculated end of the time range.</source>
        <translation>Декодер достиг конца потока раньше расчётного конца временного диапазона.</translation>
    </message>
    <message>
        <location line="+38"/>
        <location line="+178"/>
        <source>Processing frames</source>
        <translation>Обработка кадров</translation>
    </message>
    <message>
        <location line="-132"/>
        <source>Could not publish the video: %1</source>
        <translation>Не удалось сохранить итоговый видеофайл: %1</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Could not publish the JSON file: %1</source>
        <translation>Не удалось сохранить итоговый файл JSON: %1</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Could not roll back the published video %1: %2</source>
        <translation>Не удалось откатить сохранение итогового видеофайла %1: %2</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>The input and output video paths are required.</source>
        <translation>Необходимо указать пути к входному и выходному видео.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Invalid analysis destination.</source>
        <translation>Недопустимое место сохранения результатов анализа.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Opening source video</source>
        <translation>Открытие исходного видео</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The selected time range is invalid.</source>
        <translation>Выбранный временной диапазон недопустим.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The selected frame range is invalid.</source>
        <translation>Выбранный диапазон кадров недопустим.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The camera capture frame rate is required before motion processing.</source>
        <translation>Перед обработкой движения необходимо указать частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>The time range contains no frames after alignment to frame boundaries.</source>
        <translation>После выравнивания по границам кадров временной диапазон не содержит кадров.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The selected fragment is too short for the configured frequency band. Select at least %1 frames.</source>
        <translation>Выбранный фрагмент слишком короткий для заданной полосы частот. Минимальное число кадров: %1.</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>The saved result does not match its frame range.</source>
        <translation>Сохранённый результат не соответствует своему диапазону кадров.</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>The number of frames returned by motion processing does not match the input.</source>
        <translation>Число кадров, возвращённых обработкой движения, не совпадает с числом входных кадров.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Finalizing the analysis result</source>
        <translation>Завершение формирования результата анализа</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Finalizing the staging video file</source>
        <translation>Завершение записи промежуточного видеофайла</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Preparing the parameters file</source>
        <translation>Подготовка файла параметров</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>A final output file appeared during processing; publishing was cancelled.</source>
        <translation>Во время обработки появился итоговый выходной файл; сохранение результата отменено.</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+8"/>
        <source>Publishing the result</source>
        <translation>Сохранение результата</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>The output directory does not exist: %1</source>
        <translation>Выходной каталог не существует: %1</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Could not create a staging file in %1: %2</source>
        <translation>Не удалось создать промежуточный файл в %1: %2</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Could not choose a unique staging file name in %1.</source>
        <translation>Не удалось подобрать уникальное имя промежуточного файла в %1.</translation>
    </message>
</context>
<context>
    <name>VideoSessionController</name>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="+117"/>
        <source>Save or discard the current analysis result before opening another video.</source>
        <translation>Перед открытием другого видео сохраните или отмените текущий результат анализа.</translation>
    </message>
    <message>
        <location line="-41"/>
        <location line="+13"/>
        <source>No video file was selected.</source>
        <translation>Видеофайл не выбран.</translation>
    </message>
    <message>
        <location line="-36"/>
        <source>Video files (%1)</source>
        <translation>Видеофайлы (%1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>All files (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Only local video files can be analyzed.</source>
        <translation>Анализировать можно только локальные видеофайлы.</translation>
    </message>
    <message>
        <location line="+113"/>
        <source>The embedded FFmpeg libraries are unavailable.</source>
        <translation>Встроенные библиотеки FFmpeg недоступны.</translation>
    </message>
    <message>
        <location line="+124"/>
        <source>Video analysis failed.</source>
        <translation>Не удалось проанализировать видео.</translation>
    </message>
</context>
<context>
    <name>VideoWatermarkRenderer</name>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="+53"/>
        <source>The watermark frame size is invalid.</source>
        <translation>Недопустимый размер кадра для водяного знака.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Could not prepare the video watermark.</source>
        <translation>Не удалось подготовить водяной знак видео.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Could not allocate the video watermark image.</source>
        <translation>Не удалось выделить память для изображения водяного знака.</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+32"/>
        <source>Could not draw the video watermark.</source>
        <translation>Не удалось отрисовать водяной знак видео.</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>The watermark renderer is not configured for this frame.</source>
        <translation>Модуль отрисовки водяного знака не настроен для этого кадра.</translation>
    </message>
</context>
<context>
    <name>WorkspacePage</name>
    <message>
        <location filename="../ui/qml/pages/WorkspacePage.qml" line="+312"/>
        <source>Video parameters</source>
        <translation>Параметры видео</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
</TS>
