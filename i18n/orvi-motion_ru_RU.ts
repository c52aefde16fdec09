<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AnalysisReport</name>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="45"/>
        <source>The export could not be written. No completed file was saved.</source>
        <translation>Не удалось записать файл экспорта. Готовый файл не был сохранён.</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="62"/>
        <source>Cannot read the first source frame for the report: %1</source>
        <translation>Не удалось прочитать первый кадр исходного видео для отчёта: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="66"/>
        <source>The decoded frame is unavailable or does not match the source.</source>
        <translation>Декодированный кадр недоступен или не соответствует исходному видео.</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="147"/>
        <source>Choose a file with the extension required by the selected export format.</source>
        <translation>Выберите файл с расширением, соответствующим выбранному формату экспорта.</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="152"/>
        <source>No current analysis is available for this export.</source>
        <translation>Для этого экспорта нет актуальных результатов анализа.</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="154"/>
        <source>The report cannot replace the source video.</source>
        <translation>Отчёт не может заменить исходное видео.</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="158"/>
        <source>Cannot open the export file: %1</source>
        <translation>Не удалось открыть файл экспорта: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/AnalysisExportWriter.cpp" line="173"/>
        <source>Cannot finish saving the export: %1</source>
        <translation>Не удалось завершить сохранение экспорта: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/DocxWriter.cpp" line="220"/>
        <location filename="../src/reports/PdfReportWriter.cpp" line="100"/>
        <source>Page</source>
        <translation>Страница</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="43"/>
        <source>Zazira spectrum analysis report</source>
        <translation>Отчёт о спектральном анализе Zazira</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="74"/>
        <source>Relative band power: unavailable.</source>
        <translation>Относительная мощность полосы: недоступна.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="75"/>
        <source>Relative band power: %1% of total spectral power (excluding zero frequency).</source>
        <translation>Относительная мощность полосы: %1% от полной спектральной мощности (без учёта нулевой частоты).</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="87"/>
        <source>Possible compression artefact: the frequency lies on a whole multiple of the key-frame rate of the video (%1 Hz: one key frame every %2 frames at the capture frame rate). The encoder&apos;s key-frame cadence can produce such lines without any motion of the equipment. When more than 20 peaks are found, these candidates give way to the other peaks.</source>
        <translation>Возможный артефакт сжатия: частота кратна частоте ключевых кадров видео (%1 Hz: один ключевой кадр каждые %2 кадров при частоте съёмки). Периодичность ключевых кадров кодировщика может давать такие линии без какого-либо движения оборудования. Если найдено больше 20 пиков, такие кандидаты уступают место остальным пикам.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="98"/>
        <source>The frequency lies on a multiple of the key-frame rate of the video (%1 Hz); the line may come from the encoder&apos;s key-frame cadence rather than from the equipment.</source>
        <translation>Частота кратна частоте ключевых кадров видео (%1 Hz); линия может быть вызвана периодичностью ключевых кадров кодировщика, а не оборудованием.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="106"/>
        <source>Band: %1–%2 Hz. Background: first analyzed source frame %3.</source>
        <translation>Полоса: %1–%2 Hz. Фон: первый проанализированный кадр исходного видео %3.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="112"/>
        <source>Each cell represents one image point. Power uses each point&apos;s longest accepted continuous interval, which may differ between cells. Values are normalized to the strongest accepted point in this band; transparent cells have no usable estimate or fall below the display threshold; they do not mean zero motion.</source>
        <translation>Каждая ячейка соответствует одной точке изображения. Мощность рассчитывается по самому длинному принятому непрерывному интервалу каждой точки, который может различаться для разных ячеек. Значения нормированы на самую сильную принятую точку в этой полосе; для прозрачных ячеек нет пригодной оценки или значение ниже порога отображения; это не означает отсутствия движения.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="141"/>
        <source>Overview: the outline marks the analysis region. A close-up is provided on a separate page.</source>
        <translation>Обзор: контуром отмечена область анализа. Увеличенное изображение приведено на отдельной странице.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="148"/>
        <source>%1 — analysis region close-up</source>
        <translation>%1 — увеличенное изображение области анализа</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="150"/>
        <source>Enlarged analysis region from the same frame. Colors, normalization and analysis points are identical to the overview.</source>
        <translation>Увеличенная область анализа из того же кадра. Цвета, нормировка и точки анализа совпадают с обзорным изображением.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="175"/>
        <location filename="../src/reports/ReportComposer.cpp" line="204"/>
        <source>Source video: %1</source>
        <translation>Исходное видео: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="176"/>
        <source>Source frame 1. This is the beginning of the video, independently of the analyzed fragment.</source>
        <translation>Кадр 1 исходного видео. Это начало видео независимо от анализируемого фрагмента.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="178"/>
        <source>The entire frame was analyzed; no separate analysis region is outlined.</source>
        <translation>Проанализирован весь кадр; отдельная область анализа не выделена.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="180"/>
        <source>The outline marks the analysis region used for this calculation.</source>
        <translation>Контуром отмечена область анализа, использованная в этом расчёте.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="185"/>
        <source>Source frame 1: analysis region close-up</source>
        <translation>Кадр 1 исходного видео: увеличенное изображение области анализа</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="187"/>
        <source>Enlarged analysis region from the same frame. Enlargement does not add image detail or analysis points.</source>
        <translation>Увеличенная область анализа из того же кадра. Увеличение не добавляет деталей изображения или точек анализа.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="200"/>
        <source>Analysis settings</source>
        <translation>Параметры анализа</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="202"/>
        <source>This report records the selected video analysis and its settings. It does not diagnose equipment condition.</source>
        <translation>В этом отчёте зафиксированы выбранный анализ видео и его параметры. Отчёт не является диагностикой технического состояния оборудования.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="205"/>
        <source>Report created: %1</source>
        <translation>Отчёт создан: %1</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="207"/>
        <source>Source size: %1 × %2 pixels; capture frame rate: %3 fps.</source>
        <translation>Размер исходного видео: %1 × %2 пикселей; частота кадров съёмки: %3 fps.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="210"/>
        <source>Analyzed source frames: %1–%2 (numbered from 1); recording duration: %3 s.</source>
        <translation>Проанализированные кадры исходного видео: %1–%2 (нумерация с 1); длительность записи: %3 s.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="214"/>
        <source>Analysis region in normalized coordinates: x=%1, y=%2, width=%3, height=%4.</source>
        <translation>Область анализа в нормированных координатах: x=%1, y=%2, ширина=%3, высота=%4.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="218"/>
        <source>Grid: %1 × %2; requested: %3 × %4; accepted points: %5 of %6.</source>
        <translation>Сетка: %1 × %2; запрошено: %3 × %4; принято точек: %5 из %6.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="223"/>
        <source>FFT bin spacing: %1 Hz; conservative window resolution: %2 Hz.</source>
        <translation>Шаг бинов FFT: %1 Hz; консервативная оценка разрешения окна: %2 Hz.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="225"/>
        <source>The report covers the full spectrum and all %1 detected frequency candidates (up to 20). Each candidate has an enlarged spectrum page and a band power map of its proposed band.</source>
        <translation>Отчёт охватывает полный спектр и все обнаруженные кандидаты частот (%1, не более 20). Для каждого кандидата приведены страница с увеличенным фрагментом спектра и карта мощности в предложенной для него полосе.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="229"/>
        <source>Algorithm: phase-spectrum-3; relative-phase-1. Analysis identity: %1.</source>
        <translation>Алгоритм: phase-spectrum-3; relative-phase-1. Идентификатор анализа: %1.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="240"/>
        <source>Spectrum and frequency candidates</source>
        <translation>Спектр и кандидаты частот</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="241"/>
        <source>Power is normalized within this analysis. The shaded region marks the selected band. Listed peaks are candidates, not independently confirmed machine frequencies.</source>
        <translation>Мощность нормирована в пределах этого анализа. Закрашенная область обозначает выбранную полосу. Перечисленные пики являются кандидатами, а не независимо подтверждёнными частотами машины.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="251"/>
        <source>Frequency Hz</source>
        <translation>Частота Hz</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="251"/>
        <source>Relative peak power</source>
        <translation>Относительная мощность пика</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="252"/>
        <source>Band power, %</source>
        <translation>Мощность полосы, %</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="252"/>
        <source>Contrast dB</source>
        <translation>Контраст dB</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="253"/>
        <source>Spatial support</source>
        <translation>Пространственный охват</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="255"/>
        <source>Note</source>
        <translation>Примечание</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="265"/>
        <source>Possible compression artefact</source>
        <translation>Возможный артефакт сжатия</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="269"/>
        <source>Contrast, dB: how strongly the peak stands above the nearby spectral background. It is calculated as 10 × log10(peak power / background power); the background is the median of neighboring spectral bins, excluding the peak and its nearest neighbors. A contrast of 10 dB means 10 times the background power; 20 dB means 100 times. This is not sound level or physical displacement.</source>
        <translation>Контраст, dB: насколько сильно пик возвышается над окружающим спектральным фоном. Рассчитывается как 10 × log10(мощность пика / мощность фона); фоном считается медиана соседних спектральных бинов без учёта пика и его ближайших соседей. Контраст 10 dB означает мощность в 10 раз выше фона; 20 dB — в 100 раз выше. Это не уровень звука и не физическое перемещение.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="275"/>
        <source>Spatial support: the fraction of accepted analysis points where power at this frequency is at least four times the local spectral background and exceeds the minimum signal threshold. The value ranges from 0 to 1: 0.75 means 75% of accepted points. Rejected points are excluded from the denominator. This is neither the fraction of image area nor a probability that the frequency is correct; low support may indicate localized vibration.</source>
        <translation>Пространственный охват: доля принятых точек анализа, в которых мощность на этой частоте не менее чем в четыре раза превышает локальный спектральный фон и превышает минимальный порог сигнала. Значение лежит в диапазоне от 0 до 1: 0.75 означает 75% принятых точек. Отклонённые точки не учитываются в знаменателе. Это не доля площади изображения и не вероятность того, что частота определена верно; низкий охват может указывать на локализованную вибрацию.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="286"/>
        <source>No frequency candidates passed the detection thresholds.</source>
        <translation>Ни один кандидат частоты не прошёл пороги обнаружения.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="288"/>
        <source>Relative band power is the sum of aggregate spectral power at bin centers inside the band divided by the sum over all positive-frequency bins. It differs from peak height and from per-cell map colors. The same denominator is used for all bands in this analysis; overlapping bands share power and their percentages must not be added. The map display threshold does not affect this value.</source>
        <translation>Относительная мощность полосы — это сумма агрегированной спектральной мощности в центрах бинов внутри полосы, делённая на сумму по всем бинам положительных частот. Она отличается от высоты пика и от цветов отдельных ячеек карты. Для всех полос этого анализа используется один и тот же знаменатель; перекрывающиеся полосы делят мощность, и их проценты нельзя складывать. Порог отображения карты на это значение не влияет.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="325"/>
        <source>Peak at %1 Hz</source>
        <translation>Пик на частоте %1 Hz</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="327"/>
        <source>Displayed range: %1–%2 Hz. Shaded candidate band: %3–%4 Hz.</source>
        <translation>Отображаемый диапазон: %1–%2 Hz. Закрашенная полоса кандидата: %3–%4 Hz.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="329"/>
        <source>Relative power: %1; contrast: %2 dB; spatial support: %3.</source>
        <translation>Относительная мощность: %1; контраст: %2 dB; пространственный охват: %3.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="334"/>
        <source>The vertical scale fits the displayed range. Power retains the normalization of the full spectrum; compare axis values when comparing peaks. All detected candidates within this range are labeled.</source>
        <translation>Вертикальная шкала подобрана по отображаемому диапазону. Мощность сохраняет нормировку полного спектра; при сравнении пиков сверяйте значения по оси. Все обнаруженные кандидаты в этом диапазоне подписаны.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="338"/>
        <source>FFT bin spacing: %1 Hz; conservative window resolution: %2 Hz. Enlargement does not improve frequency resolution; nearby peaks may remain unresolved.</source>
        <translation>Шаг бинов FFT: %1 Hz; консервативная оценка разрешения окна: %2 Hz. Увеличение не улучшает частотное разрешение; близко расположенные пики могут остаться неразрешёнными.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="346"/>
        <source>Band power map for peak at %1 Hz</source>
        <translation>Карта мощности полосы для пика на частоте %1 Hz</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="348"/>
        <source>This map uses the detected candidate&apos;s band, independently of the band selected in the interface. Colors are normalized separately for each band and cannot be used to compare absolute power between maps. Values below 0.0001 are hidden.</source>
        <translation>На этой карте используется полоса обнаруженного кандидата независимо от полосы, выбранной в интерфейсе. Цвета нормируются отдельно для каждой полосы, и их нельзя использовать для сравнения абсолютной мощности между картами. Значения ниже 0.0001 скрыты.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="370"/>
        <source>Additional map: band selected in the interface</source>
        <translation>Дополнительная карта: полоса, выбранная в интерфейсе</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="374"/>
        <source>No valid frequency band was selected. The band power map is unavailable.</source>
        <translation>Допустимая полоса частот не выбрана. Карта мощности полосы недоступна.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="385"/>
        <source>This additional map records the band selected in the interface at export time. Maps of all detected candidates are provided separately.</source>
        <translation>Эта дополнительная карта отражает полосу, выбранную в интерфейсе на момент экспорта. Карты всех обнаруженных кандидатов приведены отдельно.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="400"/>
        <source>Frequency: %1 Hz; component: %2; reference point: %3; accepted phase estimates: %4 of %5.</source>
        <translation>Частота: %1 Hz; компонента: %2; опорная точка: %3; принято оценок фазы: %4 из %5.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="406"/>
        <source>The reference is 0°. Positive phase means a lead relative to the reference in cos(ωt + φ). Each pair uses the intersection of its accepted intervals; pair intervals may differ.</source>
        <translation>Фаза опорной точки равна 0°. Положительная фаза означает опережение относительно опорной точки в cos(ωt + φ). Для каждой пары используется пересечение её принятых интервалов; интервалы разных пар могут различаться.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="409"/>
        <source>Acceptance requires at least 128 samples, four periods in each half, explained detrended energy of at least 0.30, and relative phase drift between halves no greater than 30°. These are heuristic thresholds, not confidence probabilities.</source>
        <translation>Для принятия требуются не менее 128 отсчётов, четыре периода в каждой половине, доля объяснённой энергии после удаления тренда не менее 0.30 и относительный дрейф фазы между половинами не более 30°. Это эвристические пороги, а не доверительные вероятности.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="416"/>
        <source>Reference interval starts at %1 s within the fragment and lasts %2 s; minimum explained energy fraction: %3.</source>
        <translation>Опорный интервал начинается через %1 s от начала фрагмента и длится %2 s; минимальная доля объяснённой энергии: %3.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="422"/>
        <source>Relative phase map</source>
        <translation>Карта относительной фазы</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="431"/>
        <source>Interpretation and limitations</source>
        <translation>Интерпретация и ограничения</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="433"/>
        <source>Frequency values depend on the supplied physical capture frame rate. Playback frame rate may differ, especially for slow-motion recordings.</source>
        <translation>Значения частот зависят от указанной физической частоты кадров съёмки. Частота кадров воспроизведения может отличаться, особенно у записей замедленной съёмки.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="436"/>
        <source>Camera movement, lighting changes, aliasing and insufficient texture can affect the spectrum. Relative phase-signal power is not calibrated physical displacement.</source>
        <translation>На спектр могут влиять движение камеры, изменения освещения, наложение спектров (алиасинг) и недостаточная текстура. Относительная мощность фазового сигнала не является откалиброванным физическим перемещением.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="439"/>
        <source>X and Y are image phase-signal components affected by local image structure. Equal or opposite signal phases do not prove equal or opposite physical displacement phases. Nearby frequencies may remain unresolved.</source>
        <translation>X и Y — компоненты фазового сигнала изображения, на которые влияет локальная структура изображения. Совпадающие или противоположные фазы сигнала не доказывают совпадения или противоположности фаз физического перемещения. Близкие частоты могут остаться неразрешёнными.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="443"/>
        <source>Band power below 0.0001 is hidden on both color scales. This display threshold is relative to the strongest accepted point in the selected band, not a physical vibration threshold. Comparisons between independently normalized maps are qualitative.</source>
        <translation>Мощность полосы ниже 0.0001 скрыта на обеих цветовых шкалах. Этот порог отображения задан относительно самой сильной принятой точки в выбранной полосе и не является физическим порогом вибрации. Сравнение независимо нормированных карт носит качественный характер.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportComposer.cpp" line="448"/>
        <source>CSV and JSON exports provide numerical spectra, cell values, validity flags and analysis settings for further review. No conclusion about equipment condition is generated automatically.</source>
        <translation>Экспорт в CSV и JSON содержит числовые спектры, значения ячеек, признаки достоверности и параметры анализа для дальнейшего изучения. Заключение о техническом состоянии оборудования автоматически не формируется.</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="273"/>
        <source>Frequency, Hz</source>
        <translation>Частота, Hz</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="274"/>
        <source>Relative spectral power</source>
        <translation>Относительная спектральная мощность</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="333"/>
        <source>Relative band power · logarithmic colors</source>
        <translation>Относительная мощность полосы · логарифмическая цветовая шкала</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="334"/>
        <source>Relative band power · linear colors</source>
        <translation>Относительная мощность полосы · линейная цветовая шкала</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="371"/>
        <source>Reference</source>
        <translation>Опорная точка</translation>
    </message>
    <message>
        <location filename="../src/reports/ReportFigures.cpp" line="381"/>
        <source>Relative phase, degrees</source>
        <translation>Относительная фаза, градусы</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <location filename="../src/app/StartupOptions.cpp" line="17"/>
        <source>Video motion amplification for technical equipment.</source>
        <translation>Усиление движения на видео технического оборудования.</translation>
    </message>
    <message>
        <location filename="../src/app/StartupOptions.cpp" line="10"/>
        <source>Enable the local MCP diagnostics interface in read-only mode.</source>
        <translation>Включить локальный диагностический интерфейс MCP в режиме только чтения.</translation>
    </message>
    <message>
        <location filename="../src/app/StartupOptions.cpp" line="13"/>
        <source>Allow the local MCP diagnostics interface to change application state.</source>
        <translation>Разрешить локальному диагностическому интерфейсу MCP изменять состояние приложения.</translation>
    </message>
    <message>
        <location filename="../src/app/main.cpp" line="65"/>
        <source>Could not start MCP diagnostics: %1</source>
        <translation>Не удалось запустить диагностику MCP: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main.cpp" line="70"/>
        <source>MCP diagnostics are enabled for this application instance.</source>
        <translation>Для этого экземпляра приложения включена диагностика MCP.</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <location filename="../ui/qml/Main.qml" line="26"/>
        <source>Media libraries are ready.</source>
        <translation>Медиабиблиотеки готовы к работе.</translation>
    </message>
    <message>
        <location filename="../ui/qml/Main.qml" line="27"/>
        <source>Media libraries are unavailable.</source>
        <translation>Медиабиблиотеки недоступны.</translation>
    </message>
</context>
<context>
    <name>PlaybackController</name>
    <message>
        <location filename="../src/controllers/PlaybackController.cpp" line="148"/>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="153"/>
        <source>The processed preview range is invalid.</source>
        <translation>Недопустимый диапазон обработанного предпросмотра.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackController.cpp" line="486"/>
        <source>Source video playback failed.</source>
        <translation>Ошибка воспроизведения исходного видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackController.cpp" line="502"/>
        <source>Source video contains no decodable frames.</source>
        <translation>Исходное видео не содержит кадров, которые удаётся декодировать.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="56"/>
        <source>Could not prepare source video playback.</source>
        <translation>Не удалось подготовить воспроизведение исходного видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="240"/>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="255"/>
        <source>Could not seek to the requested video frame.</source>
        <translation>Не удалось перейти к запрошенному кадру видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="174"/>
        <source>Could not open the processed preview.</source>
        <translation>Не удалось открыть обработанный предпросмотр.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="280"/>
        <source>Could not decode the next video frame.</source>
        <translation>Не удалось декодировать следующий кадр видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="316"/>
        <source>Could not decode the matching processed preview frame.</source>
        <translation>Не удалось декодировать соответствующий кадр обработанного предпросмотра.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PlaybackWorker.cpp" line="332"/>
        <source>Processed preview playback failed.</source>
        <translation>Ошибка воспроизведения обработанного предпросмотра.</translation>
    </message>
</context>
<context>
    <name>PreviewController</name>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="118"/>
        <source>Save or discard the current result before starting another analysis.</source>
        <translation>Сохраните или отмените текущий результат, прежде чем запускать новый анализ.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="130"/>
        <source>Source playback and FFmpeg must be ready before starting analysis.</source>
        <translation>Перед запуском анализа воспроизведение исходного видео и FFmpeg должны быть готовы.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="136"/>
        <source>Pause playback and wait until video navigation is ready before starting analysis.</source>
        <translation>Перед запуском анализа приостановите воспроизведение и дождитесь готовности навигации по видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="155"/>
        <source>Preparing analysis result</source>
        <translation>Подготовка результата анализа</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="173"/>
        <source>Cancelling analysis result</source>
        <translation>Отмена результата анализа</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="330"/>
        <source>Analysis result was cancelled</source>
        <translation>Результат анализа отменён</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="336"/>
        <location filename="../src/controllers/PreviewController.cpp" line="354"/>
        <source>Analysis result failed</source>
        <translation>Не удалось получить результат анализа</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="339"/>
        <source>Could not create the analysis result.</source>
        <translation>Не удалось создать результат анализа.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="355"/>
        <source>Could not prepare the analysis result for playback.</source>
        <translation>Не удалось подготовить результат анализа к воспроизведению.</translation>
    </message>
    <message>
        <location filename="../src/controllers/PreviewController.cpp" line="369"/>
        <source>Analysis result is ready</source>
        <translation>Результат анализа готов</translation>
    </message>
</context>
<context>
    <name>ProcessingParametersWriter</name>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="171"/>
        <source>The reserved staging JSON file is missing or is not empty.</source>
        <translation>Зарезервированный промежуточный файл JSON отсутствует или не пуст.</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="181"/>
        <source>Could not open the staging JSON file: %1</source>
        <translation>Не удалось открыть промежуточный файл JSON: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="183"/>
        <source>Could not write the staging JSON file: %1</source>
        <translation>Не удалось записать промежуточный файл JSON: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="187"/>
        <source>The written staging JSON file is empty.</source>
        <translation>Записанный промежуточный файл JSON пуст.</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="190"/>
        <source>Exception while writing the staging JSON file: %1</source>
        <translation>Исключение при записи промежуточного файла JSON: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="193"/>
        <source>Unknown exception while writing the staging JSON file.</source>
        <translation>Неизвестное исключение при записи промежуточного файла JSON.</translation>
    </message>
    <message>
        <location filename="../src/processing/ProcessingParametersWriter.cpp" line="205"/>
        <source>A temporary file may remain at %1: %2</source>
        <translation>По пути %1 может остаться временный файл: %2</translation>
    </message>
</context>
<context>
    <name>ProcessingSettingsController</name>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="41"/>
        <source>Rotation speed must be 0 or between 500 and 7000 RPM.</source>
        <translation>Частота вращения должна быть равна 0 или находиться в диапазоне от 500 до 7000 об/мин.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="228"/>
        <source>Select at least %1 frames for this frequency band.</source>
        <translation>Для этой полосы частот выберите не менее %1 кадров.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="237"/>
        <source>Open and analyze a source video.</source>
        <translation>Откройте и проанализируйте исходное видео.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="240"/>
        <source>Enter the camera capture frame rate before choosing the frequency band.</source>
        <translation>Перед выбором полосы частот введите частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="244"/>
        <source>Choose a valid analysis fragment.</source>
        <translation>Выберите допустимый фрагмент для анализа.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="247"/>
        <source>Choose a valid analysis region.</source>
        <translation>Выберите допустимую область анализа.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="252"/>
        <source>Lower frequency must be greater than 0 Hz.</source>
        <translation>Нижняя частота должна быть больше 0 Hz.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="255"/>
        <source>Upper frequency must be greater than lower frequency.</source>
        <translation>Верхняя частота должна быть больше нижней.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="258"/>
        <source>Upper frequency must be below the Nyquist frequency of %1 Hz.</source>
        <translation>Верхняя частота должна быть ниже частоты Найквиста %1 Hz.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="264"/>
        <source>Amplification factor must be between 1 and 50.</source>
        <translation>Коэффициент усиления должен находиться в диапазоне от 1 до 50.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="267"/>
        <source>The selected fragment is too short for this frequency band. Select at least %1 frames.</source>
        <translation>Выбранный фрагмент слишком короткий для этой полосы частот. Выберите не менее %1 кадров.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="285"/>
        <source>The selected band is close to Nyquist; reliable frequency separation may be poor.</source>
        <translation>Выбранная полоса близка к частоте Найквиста; надёжное разделение частот может быть затруднено.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="289"/>
        <source>High amplification may produce visible artifacts.</source>
        <translation>Сильное усиление может вызвать заметные артефакты.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="293"/>
        <source>An amplification factor of 1 leaves motion unchanged.</source>
        <translation>Коэффициент усиления 1 оставляет движение без изменений.</translation>
    </message>
    <message>
        <location filename="../src/controllers/ProcessingSettingsController.cpp" line="325"/>
        <source>A processing request is required.</source>
        <translation>Требуется запрос на обработку.</translation>
    </message>
</context>
<context>
    <name>SpectrumAnalysis</name>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="102"/>
        <source>Select automatic resource usage or a supported worker thread count.</source>
        <translation>Выберите автоматическое использование ресурсов или поддерживаемое число рабочих потоков.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="106"/>
        <source>A prepared source video is required.</source>
        <translation>Требуется подготовленное исходное видео.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="110"/>
        <source>Enter a capture frame rate greater than 0 and no greater than 10000 fps.</source>
        <translation>Введите частоту кадров съёмки больше 0 и не более 10000 fps.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="115"/>
        <source>Select a frame range inside the source video.</source>
        <translation>Выберите диапазон кадров в пределах исходного видео.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="119"/>
        <source>Select between 65 and 65537 frames for spectrum analysis.</source>
        <translation>Выберите от 65 до 65537 кадров для спектрального анализа.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="125"/>
        <source>Select a region at least 32 by 32 pixels inside the frame.</source>
        <translation>Выберите в пределах кадра область размером не менее 32 на 32 пикселя.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="128"/>
        <source>The source exceeds the spectrum analysis limit of 32 megapixels.</source>
        <translation>Исходное видео превышает ограничение спектрального анализа в 32 мегапикселя.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="131"/>
        <source>Select one of the available grid densities.</source>
        <translation>Выберите одну из доступных плотностей сетки.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="134"/>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="75"/>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="131"/>
        <source>The analysis region is too narrow after spatial reduction.</source>
        <translation>Область анализа слишком узка после пространственного уменьшения.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisLimits.cpp" line="138"/>
        <source>This grid supports at most %1 frames within the signal memory budget. Shorten the fragment or choose a coarser grid.</source>
        <translation>Максимальное число кадров для этой сетки в пределах бюджета памяти сигналов: %1. Сократите фрагмент или выберите более грубую сетку.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="111"/>
        <source>The selected frame range could not be decoded completely.</source>
        <translation>Не удалось полностью декодировать выбранный диапазон кадров.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="121"/>
        <source>Decoded frames do not match the selected uniform range.</source>
        <translation>Декодированные кадры не соответствуют выбранному равномерному диапазону.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="165"/>
        <source>No continuous reliable phase signals were found. Select a textured region or a shorter stable fragment.</source>
        <translation>Непрерывные надёжные фазовые сигналы не найдены. Выберите текстурированную область или более короткий стабильный фрагмент.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumAnalysisRun.cpp" line="202"/>
        <source>Spectrum analysis failed while allocating or processing data.</source>
        <translation>Сбой спектрального анализа при выделении памяти или обработке данных.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumViews.cpp" line="201"/>
        <source>No textured point in this cell on the first frame.</source>
        <translation>На первом кадре в этой ячейке нет текстурированной точки.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumViews.cpp" line="207"/>
        <source>Longest segment: %1 s, starting at %2 s. Lost samples: low contrast %3, phase jump %4, non-finite %5.</source>
        <translation>Самый длинный сегмент: %1 s, начало на %2 s. Потерянные отсчёты: низкий контраст — %3, скачок фазы — %4, нечисловые значения — %5.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumViews.cpp" line="217"/>
        <source>Accepted continuous segment.</source>
        <translation>Принятый непрерывный сегмент.</translation>
    </message>
    <message>
        <location filename="../src/spectrum/SpectrumViews.cpp" line="218"/>
        <source>Continuous segment is too short (minimum 64 samples and 25% of the fragment).</source>
        <translation>Непрерывный сегмент слишком короткий (минимум 64 отсчёта и 25% фрагмента).</translation>
    </message>
</context>
<context>
    <name>TemporaryVideo</name>
    <message>
        <location filename="../src/results/TemporaryVideo.cpp" line="133"/>
        <source>Could not write the temporary analysis result. Check free disk space and access to the temporary folder.</source>
        <translation>Не удалось записать временный результат анализа. Проверьте свободное место на диске и доступ к временному каталогу.</translation>
    </message>
    <message>
        <location filename="../src/results/TemporaryVideo.cpp" line="228"/>
        <source>Could not read the temporary analysis result. Run the analysis again.</source>
        <translation>Не удалось прочитать временный результат анализа. Выполните анализ повторно.</translation>
    </message>
</context>
<context>
    <name>TemporaryVideoSource</name>
    <message>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="28"/>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="105"/>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="123"/>
        <source>No analysis result is available.</source>
        <translation>Результат анализа отсутствует.</translation>
    </message>
    <message>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="74"/>
        <location filename="../src/results/TemporaryVideoSource.cpp" line="86"/>
        <source>The requested frame is outside the analysis result.</source>
        <translation>Запрошенный кадр находится за пределами результата анализа.</translation>
    </message>
</context>
<context>
    <name>VideoProcessingPipeline</name>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="117"/>
        <source>Unexpected file processing error: %1</source>
        <translation>Непредвиденная ошибка обработки файла: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="120"/>
        <source>Unknown file processing error.</source>
        <translation>Неизвестная ошибка обработки файла.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="237"/>
        <source>A file may remain at %1: %2</source>
        <translation>По пути %1 может остаться файл: %2</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="256"/>
        <source>Processing was cancelled by the user.</source>
        <translation>Обработка отменена пользователем.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="283"/>
        <source>An output path matches the input file or a result file already exists.</source>
        <translation>Выходной путь совпадает с входным файлом, или файл результата уже существует.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="391"/>
        <source>The decoder reached the end of the stream before the calculated end of the time range.</source>
        <translation>Декодер достиг конца потока раньше расчётного конца временного диапазона.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="424"/>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="596"/>
        <source>Processing frames</source>
        <translation>Обработка кадров</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="468"/>
        <source>Could not publish the video: %1</source>
        <translation>Не удалось сохранить итоговый видеофайл: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="479"/>
        <source>Could not publish the JSON file: %1</source>
        <translation>Не удалось сохранить итоговый файл JSON: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="488"/>
        <source>Could not roll back the published video %1: %2</source>
        <translation>Не удалось откатить сохранение итогового видеофайла %1: %2</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="504"/>
        <source>The input and output video paths are required.</source>
        <translation>Необходимо указать пути к входному и выходному видео.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="506"/>
        <source>Invalid analysis destination.</source>
        <translation>Недопустимое место сохранения результатов анализа.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="512"/>
        <source>Opening source video</source>
        <translation>Открытие исходного видео</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="518"/>
        <source>The selected time range is invalid.</source>
        <translation>Выбранный временной диапазон недопустим.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="520"/>
        <source>The selected frame range is invalid.</source>
        <translation>Выбранный диапазон кадров недопустим.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="526"/>
        <source>The camera capture frame rate is required before motion processing.</source>
        <translation>Перед обработкой движения необходимо указать частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="556"/>
        <source>The time range contains no frames after alignment to frame boundaries.</source>
        <translation>После выравнивания по границам кадров временной диапазон не содержит кадров.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="561"/>
        <source>The selected fragment is too short for the configured frequency band. Select at least %1 frames.</source>
        <translation>Выбранный фрагмент слишком короткий для заданной полосы частот. Минимальное число кадров: %1.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="583"/>
        <source>The saved result does not match its frame range.</source>
        <translation>Сохранённый результат не соответствует своему диапазону кадров.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="605"/>
        <source>The number of frames returned by motion processing does not match the input.</source>
        <translation>Число кадров, возвращённых обработкой движения, не совпадает с числом входных кадров.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="609"/>
        <source>Finalizing the analysis result</source>
        <translation>Завершение формирования результата анализа</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="610"/>
        <source>Finalizing the staging video file</source>
        <translation>Завершение записи промежуточного видеофайла</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="625"/>
        <source>Preparing the parameters file</source>
        <translation>Подготовка файла параметров</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="632"/>
        <source>A final output file appeared during processing; publishing was cancelled.</source>
        <translation>Во время обработки появился итоговый выходной файл; сохранение результата отменено.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="635"/>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="643"/>
        <source>Publishing the result</source>
        <translation>Сохранение результата</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="673"/>
        <source>The output directory does not exist: %1</source>
        <translation>Выходной каталог не существует: %1</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="685"/>
        <source>Could not create a staging file in %1: %2</source>
        <translation>Не удалось создать промежуточный файл в %1: %2</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoProcessingPipeline.cpp" line="692"/>
        <source>Could not choose a unique staging file name in %1.</source>
        <translation>Не удалось подобрать уникальное имя промежуточного файла в %1.</translation>
    </message>
</context>
<context>
    <name>VideoSessionController</name>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="90"/>
        <source>Save or discard the current analysis result before opening another video.</source>
        <translation>Перед открытием другого видео сохраните или отмените текущий результат анализа.</translation>
    </message>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="49"/>
        <location filename="../src/controllers/VideoSessionController.cpp" line="62"/>
        <source>No video file was selected.</source>
        <translation>Видеофайл не выбран.</translation>
    </message>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="54"/>
        <source>Only local video files can be analyzed.</source>
        <translation>Анализировать можно только локальные видеофайлы.</translation>
    </message>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="146"/>
        <source>The embedded FFmpeg libraries are unavailable.</source>
        <translation>Встроенные библиотеки FFmpeg недоступны.</translation>
    </message>
    <message>
        <location filename="../src/controllers/VideoSessionController.cpp" line="267"/>
        <source>Video analysis failed.</source>
        <translation>Не удалось проанализировать видео.</translation>
    </message>
</context>
<context>
    <name>VideoWatermarkRenderer</name>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="53"/>
        <source>The watermark frame size is invalid.</source>
        <translation>Недопустимый размер кадра для водяного знака.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="69"/>
        <source>Could not prepare the video watermark.</source>
        <translation>Не удалось подготовить водяной знак видео.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="87"/>
        <source>Could not allocate the video watermark image.</source>
        <translation>Не удалось выделить память для изображения водяного знака.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="94"/>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="126"/>
        <source>Could not draw the video watermark.</source>
        <translation>Не удалось отрисовать водяной знак видео.</translation>
    </message>
    <message>
        <location filename="../src/processing/VideoWatermarkRenderer.cpp" line="121"/>
        <source>The watermark renderer is not configured for this frame.</source>
        <translation>Модуль отрисовки водяного знака не настроен для этого кадра.</translation>
    </message>
</context>
</TS>
