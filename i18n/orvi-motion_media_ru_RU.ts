<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>LibavRuntime</name>
    <message>
        <location filename="../src/media/libav/LibavRuntime.cpp" line="66"/>
        <source>The FFmpeg DLL versions do not match the headers used to build %1.</source>
        <translation>Версии DLL FFmpeg не соответствуют заголовочным файлам, использованным при сборке %1.</translation>
    </message>
</context>
<context>
    <name>LibavVideoAnalyzer</name>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="117"/>
        <source>No input video file was specified.</source>
        <translation>Входной видеофайл не указан.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="131"/>
        <source>There is not enough memory to analyze the video.</source>
        <translation>Недостаточно памяти для анализа видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="134"/>
        <source>Video analysis failed unexpectedly.</source>
        <translation>Непредвиденный сбой анализа видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="147"/>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="187"/>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="196"/>
        <source>Video analysis was cancelled.</source>
        <translation>Анализ видео отменён.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="172"/>
        <source>The FFmpeg libraries could not determine the video size, duration, or frame rate.</source>
        <translation>Библиотекам FFmpeg не удалось определить размер, длительность или частоту кадров видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="182"/>
        <source>Could not allocate the FFmpeg input context.</source>
        <translation>Не удалось выделить входной контекст FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="188"/>
        <source>Could not open the video through FFmpeg libraries: %1</source>
        <translation>Не удалось открыть видео с помощью библиотек FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="197"/>
        <source>Could not read video stream information: %1</source>
        <translation>Не удалось прочитать информацию о видеопотоке: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="203"/>
        <source>No supported video stream was found in the input file.</source>
        <translation>Во входном файле не найден поддерживаемый видеопоток.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="249"/>
        <source>Could not allocate the FFmpeg decoder context.</source>
        <translation>Не удалось выделить контекст декодера FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="262"/>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="268"/>
        <source>Could not start time-grid analysis: %1</source>
        <translation>Не удалось начать анализ временной сетки: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="269"/>
        <source>FFmpeg frame buffers are unavailable.</source>
        <translation>Буферы кадров FFmpeg недоступны.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="294"/>
        <source>Could not read the video time grid: %1</source>
        <translation>Не удалось прочитать временную сетку видео: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="310"/>
        <source>Could not submit a frame for time-grid analysis: %1</source>
        <translation>Не удалось передать кадр для анализа временной сетки: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="326"/>
        <source>Could not finish time-grid analysis: %1</source>
        <translation>Не удалось завершить анализ временной сетки: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="340"/>
        <source>Could not decode the video time grid: %1</source>
        <translation>Не удалось декодировать временную сетку видео: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoAnalyzer.cpp" line="181"/>
        <source>The video path does not name a regular file.</source>
        <translation>Путь к видео указывает не на обычный файл.</translation>
    </message>
</context>
<context>
    <name>LibavVideoSink</name>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="120"/>
        <source>The reserved staging file is missing or is not empty.</source>
        <translation>Зарезервированный промежуточный файл отсутствует или не пуст.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="124"/>
        <source>The output file was not specified or already exists.</source>
        <translation>Выходной файл не указан или уже существует.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="132"/>
        <source>The frame size or frame rate is unknown for export.</source>
        <translation>Для экспорта неизвестен размер кадра или частота кадров.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="146"/>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="154"/>
        <source>The requested video output format is unsupported.</source>
        <translation>Запрошенный выходной формат видео не поддерживается.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="150"/>
        <source>H.264/yuv420p export requires an even frame width and height.</source>
        <translation>Для экспорта в H.264/yuv420p ширина и высота кадра должны быть чётными.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="158"/>
        <source>Export quality must be between 0 and 100.</source>
        <translation>Качество экспорта должно быть в диапазоне от 0 до 100.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="162"/>
        <source>The output directory does not exist.</source>
        <translation>Выходной каталог не существует.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="192"/>
        <source>Starting video encoding was cancelled.</source>
        <translation>Запуск кодирования видео отменён.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="198"/>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="301"/>
        <source>Could not allocate FFmpeg encoder buffers.</source>
        <translation>Не удалось выделить буферы кодировщика FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="232"/>
        <source>The embedded FFmpeg libraries have no supported H.264 encoder.</source>
        <translation>Во встроенных библиотеках FFmpeg нет поддерживаемого кодировщика H.264.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="233"/>
        <source>The embedded FFmpeg libraries have no FFV1 encoder.</source>
        <translation>Во встроенных библиотеках FFmpeg нет кодировщика FFV1.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="255"/>
        <source>Could not open the output video file: %1</source>
        <translation>Не удалось открыть выходной видеофайл: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="268"/>
        <source>Could not write the output video header: %1</source>
        <translation>Не удалось записать заголовок выходного видео: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="287"/>
        <source>Could not create the FFmpeg output context: %1</source>
        <translation>Не удалось создать выходной контекст FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="307"/>
        <source>Could not represent the output frame rate.</source>
        <translation>Не удалось представить выходную частоту кадров.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="347"/>
        <source>Could not start the FFmpeg video encoder: %1</source>
        <translation>Не удалось запустить видеокодировщик FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="353"/>
        <source>Could not configure the output video stream: %1</source>
        <translation>Не удалось настроить выходной видеопоток: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="366"/>
        <source>Could not allocate the output video frame: %1</source>
        <translation>Не удалось выделить выходной видеокадр: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="373"/>
        <source>Could not initialize video color conversion.</source>
        <translation>Не удалось инициализировать цветовое преобразование видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="383"/>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="451"/>
        <source>Video encoding was cancelled.</source>
        <translation>Кодирование видео отменено.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="388"/>
        <source>The video sink is not open or the frame is invalid.</source>
        <translation>Приёмник видео не открыт или кадр недопустим.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="392"/>
        <source>The exported frame size differs from the source frame size.</source>
        <translation>Размер экспортируемого кадра отличается от размера исходного кадра.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="399"/>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="410"/>
        <source>Could not convert the frame for export.</source>
        <translation>Не удалось преобразовать кадр для экспорта.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="417"/>
        <source>Could not prepare the output frame: %1</source>
        <translation>Не удалось подготовить выходной кадр: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="425"/>
        <source>FFmpeg did not convert the complete output frame.</source>
        <translation>FFmpeg преобразовал выходной кадр не полностью.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="439"/>
        <source>Could not submit the output frame for encoding: %1</source>
        <translation>Не удалось передать выходной кадр на кодирование: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="460"/>
        <source>The video encoder did not finish after flushing.</source>
        <translation>Видеокодировщик не завершил работу после сброса буферов.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="466"/>
        <source>Could not receive an encoded video packet: %1</source>
        <translation>Не удалось получить закодированный видеопакет: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="478"/>
        <source>Could not write an encoded video packet: %1</source>
        <translation>Не удалось записать закодированный видеопакет: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="487"/>
        <source>The video sink is not open.</source>
        <translation>Приёмник видео не открыт.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="496"/>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="507"/>
        <source>Finalizing the video was cancelled.</source>
        <translation>Завершение записи видео отменено.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="502"/>
        <source>Could not flush the video encoder: %1</source>
        <translation>Не удалось сбросить буферы видеокодировщика: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="511"/>
        <source>Could not finalize the output video: %1</source>
        <translation>Не удалось завершить запись выходного видео: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="527"/>
        <source>FFmpeg did not create a non-empty video file.</source>
        <translation>FFmpeg не создал непустой видеофайл.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="531"/>
        <source>The output file appeared during processing; the existing file was not overwritten.</source>
        <translation>Выходной файл появился во время обработки; существующий файл не был перезаписан.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="536"/>
        <source>Could not safely assign the final video file name: %1</source>
        <translation>Не удалось безопасно присвоить видеофайлу итоговое имя: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSink.cpp" line="581"/>
        <source>A temporary file may remain at %1: %2</source>
        <translation>По пути %1 может остаться временный файл: %2</translation>
    </message>
</context>
<context>
    <name>LibavVideoSource</name>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="59"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="78"/>
        <source>There is not enough memory to open the video.</source>
        <translation>Недостаточно памяти для открытия видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="103"/>
        <source>The prepared video metadata is incomplete or unsupported.</source>
        <translation>Подготовленные метаданные видео неполны или не поддерживаются.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="107"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="132"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="142"/>
        <source>Starting video decoding was cancelled.</source>
        <translation>Запуск декодирования видео отменён.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="127"/>
        <source>Could not allocate the FFmpeg input context.</source>
        <translation>Не удалось выделить входной контекст FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="133"/>
        <source>Could not open the video through FFmpeg libraries: %1</source>
        <translation>Не удалось открыть видео с помощью библиотек FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="143"/>
        <source>Could not read video stream information: %1</source>
        <translation>Не удалось прочитать информацию о видеопотоке: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="151"/>
        <source>The file contains no video stream supported by this FFmpeg build.</source>
        <translation>Файл не содержит видеопотока, поддерживаемого этой сборкой FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="156"/>
        <source>Could not allocate the FFmpeg decoder context.</source>
        <translation>Не удалось выделить контекст декодера FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="162"/>
        <source>Could not configure the FFmpeg decoder: %1</source>
        <translation>Не удалось настроить декодер FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="171"/>
        <source>Could not start the FFmpeg decoder: %1</source>
        <translation>Не удалось запустить декодер FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="177"/>
        <source>Could not allocate FFmpeg frame buffers.</source>
        <translation>Не удалось выделить буферы кадров FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="182"/>
        <source>This video uses an unsupported non-right-angle display rotation.</source>
        <translation>В этом видео задан неподдерживаемый поворот отображения на угол, не кратный 90°.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="190"/>
        <source>Decoded video dimensions do not match the analyzed metadata.</source>
        <translation>Размеры декодированного видео не соответствуют проанализированным метаданным.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="201"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="258"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="474"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="493"/>
        <source>Video decoding was cancelled.</source>
        <translation>Декодирование видео отменено.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="264"/>
        <source>The seek was given up for a later one.</source>
        <translation>Переход к кадру прерван ради следующего.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="222"/>
        <source>FFmpeg could not return a decoded frame: %1</source>
        <translation>FFmpeg не удалось вернуть декодированный кадр: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="243"/>
        <source>FFmpeg could not flush the video decoder: %1</source>
        <translation>FFmpeg не удалось сбросить буферы видеодекодера: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="259"/>
        <source>FFmpeg could not read the next video packet: %1</source>
        <translation>FFmpeg не удалось прочитать следующий видеопакет: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="271"/>
        <source>FFmpeg could not submit a video packet to the decoder: %1</source>
        <translation>FFmpeg не удалось передать видеопакет декодеру: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="329"/>
        <source>FFmpeg returned a decoded frame with invalid dimensions.</source>
        <translation>FFmpeg вернул декодированный кадр с недопустимыми размерами.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="332"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="419"/>
        <source>Could not allocate memory for the decoded frame.</source>
        <translation>Не удалось выделить память для декодированного кадра.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="335"/>
        <source>Could not prepare FFmpeg pixel conversion.</source>
        <translation>Не удалось подготовить преобразование пикселей FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="338"/>
        <source>The decoded frame row is too large for FFmpeg pixel conversion.</source>
        <translation>Строка декодированного кадра слишком велика для преобразования пикселей FFmpeg.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="341"/>
        <source>FFmpeg could not convert the decoded frame to RGBA.</source>
        <translation>FFmpeg не удалось преобразовать декодированный кадр в RGBA.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="300"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="314"/>
        <source>The decoded frame does not match the expected display size.</source>
        <translation>Декодированный кадр не соответствует ожидаемому размеру отображения.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="344"/>
        <source>The requested part of the frame lies outside the decoded frame.</source>
        <translation>Запрошенная часть кадра выходит за пределы декодированного кадра.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="396"/>
        <source>The video source is not open or no frame output was provided.</source>
        <translation>Источник видео не открыт или не передан объект для вывода кадра.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="433"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="450"/>
        <source>The video file is not open.</source>
        <translation>Видеофайл не открыт.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="435"/>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="460"/>
        <source>The frame index is outside the video.</source>
        <translation>Индекс кадра выходит за пределы видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="452"/>
        <source>The seek position is outside the video.</source>
        <translation>Позиция перехода выходит за пределы видео.</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="494"/>
        <source>Could not seek through the FFmpeg libraries: %1</source>
        <translation>Не удалось выполнить переход по видео с помощью библиотек FFmpeg: %1</translation>
    </message>
    <message>
        <location filename="../src/media/libav/LibavVideoSource.cpp" line="137"/>
        <source>The video path does not name a regular file.</source>
        <translation>Путь к видео указывает не на обычный файл.</translation>
    </message>
</context>
<context>
    <name>VideoInfo</name>
    <message>
        <location filename="../src/media/VideoInfo.cpp" line="100"/>
        <source>Frame timing is irregular or could not be verified in the selected fragment. You can continue: calculation treats frames as equally spaced at the entered capture frame rate. Frequencies, band powers and relative phases may be distorted, and amplification may produce artifacts. Assess whether the recording is suitable for your task.</source>
        <translation>Временная сетка кадров в выбранном фрагменте неравномерна или не может быть проверена. Можно продолжить: расчёт считает кадры равноотстоящими с введённой частотой съёмки. Частоты, мощности полос и относительные фазы могут быть искажены, а усиление может дать артефакты. Оцените, подходит ли запись для вашей задачи.</translation>
    </message>
</context>
</TS>
