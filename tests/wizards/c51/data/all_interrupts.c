/*****************************************************
 *Blog  :http://blog.vizuruv.example
 *Mail  :ruderu@vizuruv.example
 *Info  :Mcu run frequency(not crystal) 12000000 HZ
 *Error :
        1.串行口已启用：P3.0(RXD)、P3.1(TXD)已置1，否则串口无法收发！

        2.外部中断0已启用：P3.2(INT0)已置1，否则无法检测INT0引脚！

        3.外部中断1已启用：P3.3(INT1)已置1，否则无法检测INT1引脚！

 *****************************************************/

#include<at89x52.h>


void main(void)
{

  P0=0x00;
  P1=0x00;
  P2=0x00;
  P3=0x0F;

  TCON=0x50;
  TMOD=0x01;
  TH0=0xFC;
  TL0=0x18;
  TH1=0xC1;
  TL1=0x10;

  T2CON=0x04;
  RCAP2H=0xD8;
  RCAP2L=0xF0;
  TH2=0xD8;
  TL2=0xF0;

  IP=0x00;
  IE=0xBF;
  PCON=0x00;
  SCON=0x00;

  while(1)
  {
    //添加你的代码

  }

}


void Eint0Isr(void) interrupt 0
{

  //添加你的代码

}


void T0Isr(void) interrupt 1
{

  TH0=0xFC;
  TL0=0x18;
  //添加你的代码

}


void Eint1Isr(void) interrupt 2
{

  //添加你的代码

}


void T1Isr(void) interrupt 3
{

  TH1=0xC1;
  TL1=0x10;
  //添加你的代码

}


void SerialIsr(void) interrupt 4
{

  if(RI)
  {
     RI=0;
    //添加你的代码

  }

}


void T2Isr(void) interrupt 5
{

  RCAP2H=0xD8;
  RCAP2L=0xF0;
  TF2=0;//清除定时器2溢出标志
  EXF2=0;//清除定时器2外部标志
  //添加你的代码

}


