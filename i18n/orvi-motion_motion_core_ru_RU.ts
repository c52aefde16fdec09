<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CameraMotionEstimator</name>
    <message>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="155"/>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="200"/>
        <source>The camera reference region is too small to measure camera motion.</source>
        <translation>Опорная область камеры слишком мала для измерения движения камеры.</translation>
    </message>
    <message>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="171"/>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="174"/>
        <source>The camera reference region could not be read.</source>
        <translation>Не удалось прочитать опорную область камеры.</translation>
    </message>
    <message>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="228"/>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="236"/>
        <source>The camera reference region shows structure in one direction only, so camera motion along it cannot be measured. Draw it over a still part of the scene with detail in more than one direction.</source>
        <translation>В опорной области камеры видна структура только одного направления, поэтому движение камеры вдоль неё измерить нельзя. Выделите неподвижную часть сцены с деталями в разных направлениях.</translation>
    </message>
    <message>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="232"/>
        <source>The camera reference region has too little texture to measure camera motion. Draw it over a still, textured part of the scene.</source>
        <translation>В опорной области камеры слишком мало текстуры для измерения движения камеры. Выделите неподвижную текстурированную часть сцены.</translation>
    </message>
    <message>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="297"/>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="334"/>
        <location filename="../src/motion/CameraMotionEstimator.cpp" line="346"/>
        <source>The camera moved the reference region out of reach: the camera motion is too large to be measured in it.</source>
        <translation>Камера сместила опорную область слишком далеко: движение камеры слишком велико, чтобы измерить его в этой области.</translation>
    </message>
</context>
<context>
    <name>PhaseMotionProcessor</name>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="63"/>
        <source>There is not enough memory to create the spatial pyramid.</source>
        <translation>Недостаточно памяти для построения пространственной пирамиды.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="73"/>
        <source>Could not determine the source video&apos;s frame size.</source>
        <translation>Не удалось определить размер кадра исходного видео.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="75"/>
        <source>The camera capture frame rate is required to configure the motion filter.</source>
        <translation>Для настройки фильтра движения необходимо указать частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="78"/>
        <source>The phase core prototype supports only a uniform time grid.</source>
        <translation>Прототип фазового ядра поддерживает только равномерную временную сетку.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="80"/>
        <source>The amplification band must lie between 0 Hz and the Nyquist frequency.</source>
        <translation>Полоса усиления должна находиться в пределах от 0 Hz до частоты Найквиста.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="84"/>
        <source>The amplification region or stabilization reference region is invalid.</source>
        <translation>Недопустимая область усиления или опорная область стабилизации.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="87"/>
        <source>The prototype amplification factor must be between 1 and 50.</source>
        <translation>Коэффициент усиления прототипа должен быть в диапазоне от 1 до 50.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="90"/>
        <source>The worker thread count must be between 0 and 256; 0 selects automatic mode.</source>
        <translation>Число рабочих потоков должно быть в диапазоне от 0 до 256; значение 0 включает автоматический режим.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="94"/>
        <source>The minimum frame size for processing is 32 x 32 pixels.</source>
        <translation>Минимальный размер кадра для обработки — 32 x 32 пикселя.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="143"/>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="278"/>
        <source>The phase motion processor has not been configured.</source>
        <translation>Фазовый обработчик движения не настроен.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="145"/>
        <source>A valid frame and an output frame container are required.</source>
        <translation>Требуются допустимый кадр и контейнер выходного кадра.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="148"/>
        <source>The frame size changed during processing.</source>
        <translation>Размер кадра изменился во время обработки.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="150"/>
        <source>Frame timestamps must be strictly increasing.</source>
        <translation>Метки времени кадров должны строго возрастать.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="152"/>
        <source>Frame sequence numbers must be strictly increasing.</source>
        <translation>Порядковые номера кадров должны строго возрастать.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="163"/>
        <source>There is not enough memory to process the frame.</source>
        <translation>Недостаточно памяти для обработки кадра.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="165"/>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="167"/>
        <source>Zazira core error: %1</source>
        <translation>Ошибка ядра Zazira: %1</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="167"/>
        <source>unknown error</source>
        <translation>неизвестная ошибка</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="205"/>
        <source>There is not enough memory to prepare the selected processing region.</source>
        <translation>Недостаточно памяти для подготовки выбранной области обработки.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="280"/>
        <source>An output container for remaining frames is required.</source>
        <translation>Требуется выходной контейнер для оставшихся кадров.</translation>
    </message>
</context>
<context>
    <name>TemporalBandpassFilter</name>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="72"/>
        <source>The temporal band-pass filter parameters are invalid.</source>
        <translation>Недопустимые параметры временного полосового фильтра.</translation>
    </message>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="78"/>
        <source>Could not calculate the band-pass filter coefficients.</source>
        <translation>Не удалось рассчитать коэффициенты полосового фильтра.</translation>
    </message>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="105"/>
        <source>The temporal filter has not been configured.</source>
        <translation>Временной фильтр не настроен.</translation>
    </message>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="107"/>
        <source>Phase components and an output container are required.</source>
        <translation>Требуются фазовые компоненты и выходной контейнер.</translation>
    </message>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="110"/>
        <source>The phase pyramid contains an empty level.</source>
        <translation>Фазовая пирамида содержит пустой уровень.</translation>
    </message>
    <message>
        <location filename="../src/motion/TemporalBandpassFilter.cpp" line="117"/>
        <source>The phase pyramid size changed during processing.</source>
        <translation>Размер фазовой пирамиды изменился во время обработки.</translation>
    </message>
</context>
</TS>
