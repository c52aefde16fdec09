<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>PhaseMotionProcessor</name>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="51"/>
        <source>There is not enough memory to create the spatial pyramid.</source>
        <translation>Недостаточно памяти для построения пространственной пирамиды.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="61"/>
        <source>Could not determine the source video&apos;s frame size.</source>
        <translation>Не удалось определить размер кадра исходного видео.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="63"/>
        <source>The camera capture frame rate is required to configure the motion filter.</source>
        <translation>Для настройки фильтра движения необходимо указать частоту кадров съёмки камеры.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="66"/>
        <source>The phase core prototype supports only a uniform time grid.</source>
        <translation>Прототип фазового ядра поддерживает только равномерную временную сетку.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="68"/>
        <source>The amplification band must lie between 0 Hz and the Nyquist frequency.</source>
        <translation>Полоса усиления должна находиться в пределах от 0 Hz до частоты Найквиста.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="71"/>
        <source>The amplification region or stabilization reference region is invalid.</source>
        <translation>Недопустимая область усиления или опорная область стабилизации.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="75"/>
        <source>Camera motion compensation is not available yet and will be added in a separate stage.</source>
        <translation>Компенсация движения камеры пока недоступна и будет добавлена на отдельном этапе.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="78"/>
        <source>The prototype amplification factor must be between 1 and 50.</source>
        <translation>Коэффициент усиления прототипа должен быть в диапазоне от 1 до 50.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="81"/>
        <source>The worker thread count must be between 0 and 256; 0 selects automatic mode.</source>
        <translation>Число рабочих потоков должно быть в диапазоне от 0 до 256; значение 0 включает автоматический режим.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="85"/>
        <source>The minimum frame size for processing is 32 x 32 pixels.</source>
        <translation>Минимальный размер кадра для обработки — 32 x 32 пикселя.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="134"/>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="257"/>
        <source>The phase motion processor has not been configured.</source>
        <translation>Фазовый обработчик движения не настроен.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="136"/>
        <source>A valid frame and an output frame container are required.</source>
        <translation>Требуются допустимый кадр и контейнер выходного кадра.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="139"/>
        <source>The frame size changed during processing.</source>
        <translation>Размер кадра изменился во время обработки.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="141"/>
        <source>Frame timestamps must be strictly increasing.</source>
        <translation>Метки времени кадров должны строго возрастать.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="143"/>
        <source>Frame sequence numbers must be strictly increasing.</source>
        <translation>Порядковые номера кадров должны строго возрастать.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="151"/>
        <source>There is not enough memory to process the frame.</source>
        <translation>Недостаточно памяти для обработки кадра.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="153"/>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="155"/>
        <source>Zazira core error: %1</source>
        <translation>Ошибка ядра Zazira: %1</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="155"/>
        <source>unknown error</source>
        <translation>неизвестная ошибка</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="172"/>
        <source>There is not enough memory to prepare the selected processing region.</source>
        <translation>Недостаточно памяти для подготовки выбранной области обработки.</translation>
    </message>
    <message>
        <location filename="../src/motion/PhaseMotionProcessor.cpp" line="259"/>
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
