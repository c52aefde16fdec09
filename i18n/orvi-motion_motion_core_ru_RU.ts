<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>PhaseMotionProcessor</name>
    <message>
        <source>The phase pyramid size changed during processing.</source>
        <translation>Размер фазовой пирамиды изменился во время обработки.</translation>
    </message>
</context>
</TS>
