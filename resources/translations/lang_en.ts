<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWindow</name>
    <message>
        <source>Axiscope-Corvex-V1.00</source>
        <translation>Axiscope-Corvex-V1.00</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open serial port</translation>
    </message>
    <message>
        <source>串口配置</source>
        <translation>Serial Port Config</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>自动刷新</source>
        <translation>auto refresh</translation>
    </message>
    <message>
        <source>手动刷新</source>
        <translation>Manual refresh</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>file</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>option</translation>
    </message>
    <message>
        <source>状态监控</source>
        <translation>Condition monitoring</translation>
    </message>
    <message>
        <source>机型选择</source>
        <translation>Model selection</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>language</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>help</translation>
    </message>
    <message>
        <source>单轴设备地址：</source>
        <translation>Device ID:</translation>
    </message>
    <message>
        <source>驱动器状态</source>
        <translation>Driver Status</translation>
    </message>
    <message>
        <source>IO状态</source>
        <translation>IO status</translation>
    </message>
    <message>
        <source>CiA402状态</source>
        <translation>CiA402Satus</translation>
    </message>
    <message>
        <source>到位标志</source>
        <translation>In Place</translation>
    </message>
    <message>
        <source>回原点完成</source>
        <translation>Homing completed</translation>
    </message>
    <message>
        <source>电机运行</source>
        <translation>Working</translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>输入端子：</source>
        <translation>Input：</translation>
    </message>
    <message>
        <source>输出端子：</source>
        <translation>Output：</translation>
    </message>
    <message>
        <source>603F-驱动器故障码0x</source>
        <translation>603F Fault Code 0x</translation>
    </message>
    <message>
        <source>6041-状态字0x</source>
        <translation>6041 Status Word 0x</translation>
    </message>
    <message>
        <source>6061-运行模式状态</source>
        <translation>6061 Control Mode</translation>
    </message>
    <message>
        <source>6064-驱动器实际位置</source>
        <translation>6064 Actual Position</translation>
    </message>
    <message>
        <source>60FD-输入端子状态0x</source>
        <translation>60FD Input Status 0x</translation>
    </message>
    <message>
        <source>606C-当前速度</source>
        <translation>606C Current Velocity</translation>
    </message>
    <message>
        <source>数据窗口</source>
        <translation>Data window</translation>
    </message>
    <message>
        <source>HEX显示</source>
        <translation>HEX Show</translation>
    </message>
    <message>
        <source>时间戳</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>保存数据</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>清除窗口</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>1-基础参数</source>
        <translation>1-Basic Parameters</translation>
    </message>
    <message>
        <source>2-模式控制</source>
        <translation>2-Working Method</translation>
    </message>
    <message>
        <source>3-输入/输出参数</source>
        <translation>3-DI/DO Parameters</translation>
    </message>
    <message>
        <source>4-PDO配置</source>
        <translation>4-PDO Settings</translation>
    </message>
    <message>
        <source>5-程序控制</source>
        <translation>5-Program Control</translation>
    </message>
    <message>
        <source>CAN调试</source>
        <translation>CAN debug</translation>
    </message>
    <message>
        <source>一键配置</source>
        <translation>One-click Setup</translation>
    </message>
    <message>
        <source>机器人控制</source>
        <translation>Robot Control</translation>
    </message>
    <message>
        <source>读取参数</source>
        <translation>Read Parameters</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download Parameters</translation>
    </message>
    <message>
        <source>上位机参数1</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>当前值2</source>
        <translation>Current Value</translation>
    </message>
    <message>
        <source>设置值3</source>
        <translation>Set Value</translation>
    </message>
    <message>
        <source>范围4</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>读取5</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入6</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>基础参数</source>
        <translation>Basic Parameters</translation>
    </message>
    <message>
        <source>参数组1</source>
        <translation>Parameter Group1</translation>
    </message>
    <message>
        <source>参数组2</source>
        <translation>Parameter Group2</translation>
    </message>
    <message>
        <source>起始速度rpm:</source>
        <translation>Start Speed RPM:</translation>
    </message>
    <message>
        <source>加速时间rps/s:</source>
        <translation>Acceleration Time rps/s:</translation>
    </message>
    <message>
        <source>位置模式运行速度rpm:</source>
        <translation>(PP Mode) Working Speed:</translation>
    </message>
    <message>
        <source>速度模式运行速度rpm:</source>
        <translation>(PV Mode) Working Speed:</translation>
    </message>
    <message>
        <source>减速时间rps/s:</source>
        <translation>Deceleration Time rps/s:</translation>
    </message>
    <message>
        <source>脉冲位置pulse:</source>
        <translation>Pulsese:</translation>
    </message>
    <message>
        <source>起始速度 rpm:</source>
        <translation>Start Speed RPM:</translation>
    </message>
    <message>
        <source>加速时间 rps/s:</source>
        <translation>Acceleration Time rps/s:</translation>
    </message>
    <message>
        <source>位置模式运行速度 rpm:</source>
        <translation>(PP Mode) Working Speed:</translation>
    </message>
    <message>
        <source>减速时间 rps/s:</source>
        <translation>Deceleration Time rps/s:</translation>
    </message>
    <message>
        <source>脉冲位置 pulse:</source>
        <translation>Pulsese:</translation>
    </message>
    <message>
        <source>回原点模式（可选择的回零模式：17,18,24,49）</source>
        <translation>Homing Mode(Option:17 18 24 29)</translation>
    </message>
    <message>
        <source>回零模式：</source>
        <translation>Homing Mode：</translation>
    </message>
    <message>
        <source>回零速度RPM：</source>
        <translation>Homing Speed RPM:</translation>
    </message>
    <message>
        <source>查询速度RPM：</source>
        <translation>Query Speed RPM：</translation>
    </message>
    <message>
        <source>加减速时间rps/s：</source>
        <translation>Acc/Dec Time rps/s：</translation>
    </message>
    <message>
        <source>补偿值 pluse：</source>
        <translation>Offset pulses：</translation>
    </message>
    <message>
        <source>17-回零模式-负限位</source>
        <translation>17-negative limit mode</translation>
    </message>
    <message>
        <source>18-回零模式-正限位</source>
        <translation>18-postive limit mode</translation>
    </message>
    <message>
        <source>24-回零模式-正向原点模式</source>
        <translation>24-forward homing</translation>
    </message>
    <message>
        <source>29-回零模式-反向原点模式</source>
        <translation>29 reverse homing</translation>
    </message>
    <message>
        <source>41-回零模式-反方向寻找原点-立即停</source>
        <translation>41-negative limit mode immediately stop</translation>
    </message>
    <message>
        <source>42-回零模式-正方向寻找原点-立即停</source>
        <translation>42-postive limit mode immediately stop</translation>
    </message>
    <message>
        <source>xx-未配置</source>
        <translation>xx-No Config</translation>
    </message>
    <message>
        <source>回原点启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>回原点停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>通用控制</source>
        <translation>General Control</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>释放</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>清除警报</source>
        <translation>Clear Alarm</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Factory Reset</translation>
    </message>
    <message>
        <source>储存掉电参数</source>
        <translation>Save Parameters</translation>
    </message>
    <message>
        <source>速度模式（参数组1）</source>
        <translation>PV Mode(Parameter Group 1)</translation>
    </message>
    <message>
        <source>速度触发</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>位置模式-1-控制（参数组1）</source>
        <translation>PP Mode-1-Control(Parameter Group1)</translation>
    </message>
    <message>
        <source>相对位置</source>
        <translation>Relative Position</translation>
    </message>
    <message>
        <source>绝对位置</source>
        <translation>Absolute Position</translation>
    </message>
    <message>
        <source>位置模式-2-控制（参数组1）</source>
        <translation>PP Mode-2-Control(Parameter Group1)</translation>
    </message>
    <message>
        <source>恒速往复运动启动</source>
        <translation>Start Reciprocating Motion</translation>
    </message>
    <message>
        <source>恒速往复运动停止</source>
        <translation>Stop Reciprocating Motion</translation>
    </message>
    <message>
        <source>位置模式-3-控制（参数组1+参数组2）</source>
        <translation>PP Mode-3-Control(Parameter Group1+2)</translation>
    </message>
    <message>
        <source>变参数运动-启动-一次</source>
        <translation>New Parameter Motion - Once</translation>
    </message>
    <message>
        <source>变参数运动-启动-循环</source>
        <translation>New Parameter Motion - Cycles</translation>
    </message>
    <message>
        <source>变参数运动-停止</source>
        <translation>New Parameter Motion – Stop</translation>
    </message>
    <message>
        <source>连接状态：ON</source>
        <translation>Connection status: ON</translation>
    </message>
    <message>
        <source>连接状态：OFF</source>
        <translation>Connection status: OFF</translation>
    </message>
    <message>
        <source>串口打开成功</source>
        <translation>Serial port success open</translation>
    </message>
    <message>
        <source>串口关闭成功</source>
        <translation>Serial port success close</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>close port</translation>
    </message>
    <message>
        <source>解码</source>
        <translation>Decode</translation>
    </message>
</context>
<context>
    <name>uartCfg</name>
    <message>
        <source>串口:</source>
        <translation>Serial Port:</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud Rate:</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>custom</source>
        <translation>custom</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>custom</translation>
    </message>
    <message>
        <source>连接方式:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>串口适配器</source>
        <translation>Serial adapter</translation>
    </message>
    <message>
        <source>CAN接口</source>
        <translation>CAN interface</translation>
    </message>
    <message>
        <source>插件:</source>
        <translation>Plugin:</translation>
    </message>
    <message>
        <source>接口:</source>
        <translation>Interface:</translation>
    </message>
    <message>
        <source>比特率:</source>
        <translation>Bit rate:</translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>Save As</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>Text File(*.txt)</source>
        <translation>Text File(*.txt)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>File to open file!</source>
        <translation>File to open file!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>Successfully save the file!</source>
        <translation>Successfully save the file!</translation>
    </message>
</context>
<context>
    <name>BasicParamPage</name>
    <message>
        <source>配置参数</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>性能参数</source>
        <translation>Function Parameters</translation>
    </message>
    <message>
        <source>驱动器节点号</source>
        <translation>Drive node number</translation>
    </message>
    <message>
        <source>电流设置 0.1A*n:</source>
        <translation>Current setting 0.1A * n:</translation>
    </message>
    <message>
        <source>细分设置</source>
        <translation>Set Subdivision</translation>
    </message>
    <message>
        <source>锁机电流</source>
        <translation>Lock Current</translation>
    </message>
    <message>
        <source>设置驱动器节点号</source>
        <translation>Set drive node number</translation>
    </message>
    <message>
        <source>设置通讯波特率</source>
        <translation>Set communication baud rate</translation>
    </message>
    <message>
        <source>超程停车方式</source>
        <translation>Overtravel Stop Option</translation>
    </message>
    <message>
        <source>总线控制方式/脉冲方向(P/D)控制方式选择</source>
        <translation>Bus Mode/Pul Dir(P/D) Mode Sel</translation>
    </message>
    <message>
        <source>功能码值是否更新到EEPOM</source>
        <translation>function code value updated to EEPOM</translation>
    </message>
    <message>
        <source>电流环比例系数</source>
        <translation>Current loop ratio coefficient</translation>
    </message>
    <message>
        <source>电流环积分增益</source>
        <translation>Current loop integration gain</translation>
    </message>
    <message>
        <source>0—半流</source>
        <translation>0-Half flow</translation>
    </message>
    <message>
        <source>1—全流</source>
        <translation>1- Full flow</translation>
    </message>
    <message>
        <source>0—停止</source>
        <translation>0- Stop</translation>
    </message>
    <message>
        <source>1—急停</source>
        <translation>1- Emergency stop</translation>
    </message>
    <message>
        <source>2—无效</source>
        <translation>2- Invalid</translation>
    </message>
    <message>
        <source>0—总线控制</source>
        <translation>0- Bus control</translation>
    </message>
    <message>
        <source>1—外部脉冲/方向（P/D）控制方式</source>
        <translation>1- External Pul/Dir(P/D)</translation>
    </message>
    <message>
        <source>2—双脉冲控制方式</source>
        <translation>2- Dual pulse control mode</translation>
    </message>
    <message>
        <source>0—属性为 RW/S 的参数同步更新到EEPROM</source>
        <translation>0- Param RW/S sync update to EEPROM</translation>
    </message>
    <message>
        <source>1—不更新</source>
        <translation>1- Do not update</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
</context>
<context>
    <name>IoPageForm</name>
    <message>
        <source>读取参数</source>
        <translation>Read Parameters</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download Parameters</translation>
    </message>
    <message>
        <source>输入输出端子配置</source>
        <translation>DI/DO Port Config</translation>
    </message>
    <message>
        <source>输入端子PU功能：</source>
        <translation>DI Port PU funtion:</translation>
    </message>
    <message>
        <source>输入端子DR功能：</source>
        <translation>DI Port DR funtion:</translation>
    </message>
    <message>
        <source>输入端子X0功能：</source>
        <translation>DI Port X0 funtion:</translation>
    </message>
    <message>
        <source>输入端子X1功能：</source>
        <translation>DI Port X1 funtion:</translation>
    </message>
    <message>
        <source>输入端子X2功能：</source>
        <translation>DI Port X2 funtion:</translation>
    </message>
    <message>
        <source>输入端子X3功能：</source>
        <translation>DI Port X3 funtion:</translation>
    </message>
    <message>
        <source>输入端子X4功能：</source>
        <translation>DI Port X4 funtion:</translation>
    </message>
    <message>
        <source>输入端子X5功能：</source>
        <translation>DI Port X5 funtion:</translation>
    </message>
    <message>
        <source>输入端子X6功能：</source>
        <translation>DI Port X6 funtion:</translation>
    </message>
    <message>
        <source>输入端子X7功能：</source>
        <translation>DI Port X7 funtion:</translation>
    </message>
    <message>
        <source>输出端子Y0功能：</source>
        <translation>DO Port Y0 funtion:</translation>
    </message>
    <message>
        <source>输出端子Y1功能：</source>
        <translation>DO Port Y1 funtion:</translation>
    </message>
    <message>
        <source>输出端子Y2功能：</source>
        <translation>DO Port Y2 funtion:</translation>
    </message>
    <message>
        <source>输出端子Y3功能：</source>
        <translation>DO Port Y3 funtion:</translation>
    </message>
    <message>
        <source>电平反转</source>
        <translation>Level reversal</translation>
    </message>
</context>
<context>
    <name>IoPage</name>
    <message>
        <source>0-未定义</source>
        <translation>0- Undefined</translation>
    </message>
    <message>
        <source>1-原点信号</source>
        <translation>1-Homing</translation>
    </message>
    <message>
        <source>2-正限位信号</source>
        <translation>2-Positive Limit</translation>
    </message>
    <message>
        <source>3-反限位信号</source>
        <translation>3-Negative Limit</translation>
    </message>
    <message>
        <source>4-电机使能信号</source>
        <translation>4-MotoreEnableSignal</translation>
    </message>
    <message>
        <source>5-电机释放信号</source>
        <translation>5-MotoreDisableSignal</translation>
    </message>
    <message>
        <source>6-报警清除信号</source>
        <translation>6-AlarmClearSignal</translation>
    </message>
    <message>
        <source>7-恢复出厂信号</source>
        <translation>7- Restore factory signal</translation>
    </message>
    <message>
        <source>8-停止信号</source>
        <translation>8-Stop signal</translation>
    </message>
    <message>
        <source>9-急停信号</source>
        <translation>9-Emergency stop signal</translation>
    </message>
    <message>
        <source>10-位置模式运动</source>
        <translation>10- Position mode movement</translation>
    </message>
    <message>
        <source>11-速度模式运动</source>
        <translation>11- Speed mode movement</translation>
    </message>
    <message>
        <source>12-JOG+运动</source>
        <translation>12-JOG+Sport</translation>
    </message>
    <message>
        <source>13-JOG-运动</source>
        <translation>13 JOG- Sport</translation>
    </message>
    <message>
        <source>14-回原点使能信号</source>
        <translation>14- Return to origin enable signal</translation>
    </message>
    <message>
        <source>1-报警信号</source>
        <translation>1- Alarm signal</translation>
    </message>
    <message>
        <source>2-驱动器状态信号</source>
        <translation>2- Driver status signal</translation>
    </message>
    <message>
        <source>3-回原点完成信号</source>
        <translation>3-Return to origin completion signal</translation>
    </message>
    <message>
        <source>4-到位信号</source>
        <translation>4-In place signal</translation>
    </message>
    <message>
        <source>5-输出高电平</source>
        <translation>5-Output high level</translation>
    </message>
    <message>
        <source>6-输出低电平</source>
        <translation>6-Output low level</translation>
    </message>
</context>
<context>
    <name>SdoDebugPageForm</name>
    <message>
        <source>CANopen SDO调试</source>
        <translation>CANopen SDO debug</translation>
    </message>
    <message>
        <source>设备地址:</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <source>索引HEX:0x</source>
        <translation>Index HEX: 0x</translation>
    </message>
    <message>
        <source>子索引HEX:0x</source>
        <translation>Sub index HEX: 0x</translation>
    </message>
    <message>
        <source>数据长度:</source>
        <translation>Data length:</translation>
    </message>
    <message>
        <source>8位</source>
        <translation>8bit</translation>
    </message>
    <message>
        <source>16位</source>
        <translation>16bit</translation>
    </message>
    <message>
        <source>32位</source>
        <translation>32bit</translation>
    </message>
    <message>
        <source>数据:</source>
        <translation>data:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
</context>
<context>
    <name>PdoPageForm</name>
    <message>
        <source>读取参数</source>
        <translation>Read Parameters</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download Parameters</translation>
    </message>
    <message>
        <source>RPDO配置 </source>
        <translation>RPDO Setting </translation>
    </message>
    <message>
        <source>TPDO配置</source>
        <translation>TPDO Setting</translation>
    </message>
    <message>
        <source>RPDO-0-映射1：</source>
        <translation>RPDO-0 Mapping 1:</translation>
    </message>
    <message>
        <source>RPDO-0-映射2：</source>
        <translation>RPDO-0 Mapping 2:</translation>
    </message>
    <message>
        <source>RPDO-0-映射3：</source>
        <translation>RPDO-0 Mapping 3:</translation>
    </message>
    <message>
        <source>RPDO-0-映射4：</source>
        <translation>RPDO-0 Mapping 4:</translation>
    </message>
    <message>
        <source>RPDO-1-映射1：</source>
        <translation>RPDO-1 Mapping 1:</translation>
    </message>
    <message>
        <source>RPDO-1-映射2：</source>
        <translation>RPDO-1 Mapping 2:</translation>
    </message>
    <message>
        <source>RPDO-1-映射3：</source>
        <translation>RPDO-1 Mapping 3:</translation>
    </message>
    <message>
        <source>RPDO-1-映射4：</source>
        <translation>RPDO-1 Mapping 4:</translation>
    </message>
    <message>
        <source>RPDO-2-映射1：</source>
        <translation>RPDO-2 Mapping 1:</translation>
    </message>
    <message>
        <source>RPDO-2-映射2：</source>
        <translation>RPDO-2 Mapping 2:</translation>
    </message>
    <message>
        <source>RPDO-2-映射3：</source>
        <translation>RPDO-2 Mapping 3:</translation>
    </message>
    <message>
        <source>RPDO-2-映射4：</source>
        <translation>RPDO-2 Mapping 4:</translation>
    </message>
    <message>
        <source>RPDO-3-映射1：</source>
        <translation>RPDO-3 Mapping 1:</translation>
    </message>
    <message>
        <source>RPDO-3-映射2：</source>
        <translation>RPDO-3 Mapping 2:</translation>
    </message>
    <message>
        <source>RPDO-3-映射3：</source>
        <translation>RPDO-3 Mapping 3:</translation>
    </message>
    <message>
        <source>RPDO-3-映射4：</source>
        <translation>RPDO-3 Mapping 4:</translation>
    </message>
    <message>
        <source>TPDO-0-COB-ID：</source>
        <translation>TPDO-0-COB-ID:</translation>
    </message>
    <message>
        <source>TPDO-1-COB-ID：</source>
        <translation>TPDO-1-COB-ID:</translation>
    </message>
    <message>
        <source>TPDO-2-COB-ID：</source>
        <translation>TPDO-2-COB-ID:</translation>
    </message>
    <message>
        <source>TPDO-3-COB-ID：</source>
        <translation>TPDO-3-COB-ID:</translation>
    </message>
    <message>
        <source>传输类型：</source>
        <translation>Transmission：</translation>
    </message>
    <message>
        <source>禁止时间：</source>
        <translation>Prohibited Time：</translation>
    </message>
    <message>
        <source>事件定时器：</source>
        <translation>Event Timer:</translation>
    </message>
    <message>
        <source>TPDO-0-映射1：</source>
        <translation>TPDO-0 Map 1:</translation>
    </message>
    <message>
        <source>TPDO-0-映射2：</source>
        <translation>TPDO-0 Map 2:</translation>
    </message>
    <message>
        <source>TPDO-0-映射3：</source>
        <translation>TPDO-0 Map 3:</translation>
    </message>
    <message>
        <source>TPDO-0-映射4：</source>
        <translation>TPDO-0 Map 4:</translation>
    </message>
    <message>
        <source>TPDO-1-映射1：</source>
        <translation>TPDO-1 Map 1:</translation>
    </message>
    <message>
        <source>TPDO-1-映射2：</source>
        <translation>TPDO-1 Map 2:</translation>
    </message>
    <message>
        <source>TPDO-1-映射3：</source>
        <translation>TPDO-1 Map 3:</translation>
    </message>
    <message>
        <source>TPDO-1-映射4：</source>
        <translation>TPDO-1 Map 4:</translation>
    </message>
    <message>
        <source>TPDO-2-映射1：</source>
        <translation>TPDO-2 Map 1:</translation>
    </message>
    <message>
        <source>TPDO-2-映射2：</source>
        <translation>TPDO-2 Map 2:</translation>
    </message>
    <message>
        <source>TPDO-2-映射3：</source>
        <translation>TPDO-2 Map 3:</translation>
    </message>
    <message>
        <source>TPDO-2-映射4：</source>
        <translation>TPDO-2 Map 4:</translation>
    </message>
    <message>
        <source>TPDO-3-映射1：</source>
        <translation>TPDO-3 Map 1:</translation>
    </message>
    <message>
        <source>TPDO-3-映射2：</source>
        <translation>TPDO-3 Map 2:</translation>
    </message>
    <message>
        <source>TPDO-3-映射3：</source>
        <translation>TPDO-3 Map 3:</translation>
    </message>
    <message>
        <source>TPDO-3-映射4：</source>
        <translation>TPDO-3 Map 4:</translation>
    </message>
</context>
<context>
    <name>PdoPage</name>
    <message>
        <source>00000000-无</source>
        <translation>00000000-None</translation>
    </message>
    <message>
        <source>60400010-控制字</source>
        <translation>60400010- Control word</translation>
    </message>
    <message>
        <source>605D0010-halt控制寄存器</source>
        <translation>605D0010-Halt control register</translation>
    </message>
    <message>
        <source>60600008-运行模式控制寄存器</source>
        <translation>6060008- Run Mode Control Register</translation>
    </message>
    <message>
        <source>607A0020-总脉冲数</source>
        <translation>607A0020- Total number of pulses</translation>
    </message>
    <message>
        <source>607C0020-回原点偏移补偿</source>
        <translation>607A0020- Total number of pulses</translation>
    </message>
    <message>
        <source>60810020-最大速度</source>
        <translation>60810020- Maximum speed</translation>
    </message>
    <message>
        <source>60830020-加速时间</source>
        <translation>60830020- Acceleration time</translation>
    </message>
    <message>
        <source>60840020-减速时间</source>
        <translation>60840020- Deceleration time</translation>
    </message>
    <message>
        <source>60980008-回原点模式</source>
        <translation>60980008- Return to Origin Mode</translation>
    </message>
    <message>
        <source>60990120-回原点速度</source>
        <translation>60990120 Return to Origin Speed</translation>
    </message>
    <message>
        <source>60990220-回原点查询速度</source>
        <translation>60990220- Return to origin query speed</translation>
    </message>
    <message>
        <source>609A0020-回原点加减速时间</source>
        <translation>609A0020 Return to origin ACC and DEC time</translation>
    </message>
    <message>
        <source>60FF0020-最大速度</source>
        <translation>60FF0020- Maximum speed</translation>
    </message>
    <message>
        <source>603F0010-驱动器故障码</source>
        <translation>603F0010 Driver Fault Code</translation>
    </message>
    <message>
        <source>60410010-状态字</source>
        <translation>60410010 Status Word</translation>
    </message>
    <message>
        <source>60610008-运行模式状态寄存器</source>
        <translation>6061008-Running Mode Status Register</translation>
    </message>
    <message>
        <source>60640020-驱动器实际位置寄存器</source>
        <translation>60640020- Driver actual position register</translation>
    </message>
    <message>
        <source>606C0020-当前速度</source>
        <translation>606C0020 Current speed</translation>
    </message>
    <message>
        <source>60FD0020-输入端子状态</source>
        <translation>60FD0020- Input terminal status</translation>
    </message>
</context>
<context>
    <name>ProgramPageForm</name>
    <message>
        <source>程序总步数:</source>
        <translation>Subdivision:</translation>
    </message>
    <message>
        <source>1步</source>
        <translation>1 step</translation>
    </message>
    <message>
        <source>2步</source>
        <translation>2 step</translation>
    </message>
    <message>
        <source>3步</source>
        <translation>3 step</translation>
    </message>
    <message>
        <source>4步</source>
        <translation>4 step</translation>
    </message>
    <message>
        <source>5步</source>
        <translation>5 step</translation>
    </message>
    <message>
        <source>6步</source>
        <translation>6 step</translation>
    </message>
    <message>
        <source>7步</source>
        <translation>7 step</translation>
    </message>
    <message>
        <source>8步</source>
        <translation>8 step</translation>
    </message>
    <message>
        <source>9步</source>
        <translation>9 step</translation>
    </message>
    <message>
        <source>10步</source>
        <translation>10 step</translation>
    </message>
    <message>
        <source>11步</source>
        <translation>11 step</translation>
    </message>
    <message>
        <source>12步</source>
        <translation>12 step</translation>
    </message>
    <message>
        <source>13步</source>
        <translation>13 step</translation>
    </message>
    <message>
        <source>14步</source>
        <translation>14 step</translation>
    </message>
    <message>
        <source>15步</source>
        <translation>15 step</translation>
    </message>
    <message>
        <source>16步</source>
        <translation>16 step</translation>
    </message>
    <message>
        <source>读取参数</source>
        <translation>Read Parameters</translation>
    </message>
    <message>
        <source>下载参数</source>
        <translation>Download Parameters</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>idle</translation>
    </message>
    <message>
        <source>输入:</source>
        <translation>Input:</translation>
    </message>
    <message>
        <source>0-无</source>
        <translation>0- None</translation>
    </message>
    <message>
        <source>输出:</source>
        <translation>Output:</translation>
    </message>
</context>
<context>
    <name>ProgramPage</name>
    <message>
        <source>0-无</source>
        <translation>0- None</translation>
    </message>
    <message>
        <source>1-位置模式</source>
        <translation>1- PP Mode</translation>
    </message>
    <message>
        <source>3-速度模式</source>
        <translation>3-PV Mode</translation>
    </message>
    <message>
        <source>6-回原点模式</source>
        <translation>6-HM Mode</translation>
    </message>
    <message>
        <source>0-相对位置</source>
        <translation>0- Relative position</translation>
    </message>
    <message>
        <source>1-绝对位置</source>
        <translation>1- Absolute position</translation>
    </message>
    <message>
        <source>17-回零模式</source>
        <translation>17- Zero return mode</translation>
    </message>
    <message>
        <source>18-回零模式</source>
        <translation>18- Zero return mode</translation>
    </message>
    <message>
        <source>24-回零模式</source>
        <translation>24- Zero return mode</translation>
    </message>
    <message>
        <source>29-回零模式</source>
        <translation>29- Zero return mode</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>转下一步</source>
        <translation>Go to the next step</translation>
    </message>
    <message>
        <source>跳转-指定步骤</source>
        <translation>Jump - Specify Steps</translation>
    </message>
    <message>
        <source>等待跳转-过程</source>
        <translation>Waiting for jump - process</translation>
    </message>
    <message>
        <source>等待跳转-结束</source>
        <translation>Waiting for jump - end</translation>
    </message>
    <message>
        <source>判断跳转</source>
        <translation>Judge jump</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>步骤%1</source>
        <translation>step %1</translation>
    </message>
</context>
<context>
    <name>OneKeyPageForm</name>
    <message>
        <source>工作模式</source>
        <translation>Work Mode</translation>
    </message>
    <message>
        <source>0-未定义</source>
        <translation>0- Undefined</translation>
    </message>
    <message>
        <source>1-位置模式</source>
        <translation>1- PP Mode</translation>
    </message>
    <message>
        <source>3-速度模式</source>
        <translation>3-PV Mode</translation>
    </message>
    <message>
        <source>6-回原点模式</source>
        <translation>6-HM Mode</translation>
    </message>
    <message>
        <source>基础参数</source>
        <translation>Basic Parameters</translation>
    </message>
    <message>
        <source>模式控制-参数组1</source>
        <translation>Control-Parameter Group1</translation>
    </message>
    <message>
        <source>模式控制-回原点参数</source>
        <translation>Control-HM Parameters</translation>
    </message>
    <message>
        <source>输入/输出参数</source>
        <translation>DI/DO Parameters</translation>
    </message>
    <message>
        <source>PDO配置</source>
        <translation>PDO Settings</translation>
    </message>
    <message>
        <source>一键读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>一键配置</source>
        <translation>One-click Setup</translation>
    </message>
    <message>
        <source>停止一键操作</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>储存掉电参数</source>
        <translation>Save Parameters</translation>
    </message>
    <message>
        <source>导入参数</source>
        <translation>Import Parameters</translation>
    </message>
    <message>
        <source>导出参数</source>
        <translation>Export Parameters</translation>
    </message>
</context>
<context>
    <name>ParamFile</name>
    <message>
        <source>%1 项参数无效，已跳过</source>
        <translation>%1 invalid entries were skipped</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Save As</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>Read As</source>
        <translation>Read As</translation>
    </message>
    <message>
        <source>xml File(*.xml)</source>
        <translation>xml File(*.xml)</translation>
    </message>
</context>
<context>
    <name>StatusPanel</name>
    <message>
        <source>未准备好启动</source>
        <translation>Not ready to switch on</translation>
    </message>
    <message>
        <source>禁止启动</source>
        <translation>Switch on disabled</translation>
    </message>
    <message>
        <source>准备启动</source>
        <translation>Ready to switch on</translation>
    </message>
    <message>
        <source>已启动</source>
        <translation>Switched on</translation>
    </message>
    <message>
        <source>运行使能</source>
        <translation>Operation enabled</translation>
    </message>
    <message>
        <source>快速停止有效</source>
        <translation>Quick stop active</translation>
    </message>
    <message>
        <source>故障响应有效</source>
        <translation>Fault reaction active</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>未知状态</source>
        <translation>Unknown state</translation>
    </message>
</context>
</TS>
