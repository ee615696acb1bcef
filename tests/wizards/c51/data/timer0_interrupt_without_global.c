/*****************************************************
 *Blog  :http://blog.vizuruv.example
 *Mail  :ruderu@vizuruv.example
 *Info  :Mcu run frequency(not crystal) 12000000 HZ
 *Error :
        1.全局中断没有开启，所有中断响应将不被执行！

 *****************************************************/

#include<at89x52.h>


void main(void)
{

  P0=0x00;
  P1=0x00;
  P2=0x00;
  P3=0x00;

  TCON=0x10;
  TMOD=0x01;
  TH0=0xFC;
  TL0=0x18;
  TH1=0x00;
  TL1=0x00;

  T2CON=0x00;
  RCAP2H=0x00;
  RCAP2L=0x00;

  IP=0x00;
  IE=0x02;
  PCON=0x00;
  SCON=0x00;

  while(1)
  {
    //添加你的代码

  }

}


void T0Isr(void) interrupt 1
{

  TH0=0xFC;
  TL0=0x18;
  //添加你的代码

}


