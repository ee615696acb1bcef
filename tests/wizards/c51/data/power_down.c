/*****************************************************
 *Blog  :http://blog.vizuruv.example
 *Mail  :ruderu@vizuruv.example
 *Info  :Mcu run frequency(not crystal) 12000000 HZ
 *Error :
        1.单片机工作在掉电模式，却没有使能外部中断，单片机不会被唤醒 ！

 *****************************************************/

#include<at89x52.h>


void main(void)
{

  P0=0x00;
  P1=0x00;
  P2=0x00;
  P3=0x00;

  TCON=0x00;
  TMOD=0x00;
  TH0=0x00;
  TL0=0x00;
  TH1=0x00;
  TL1=0x00;

  T2CON=0x00;
  RCAP2H=0x00;
  RCAP2L=0x00;

  IP=0x00;
  IE=0x00;
  PCON=0x80;
  SCON=0x00;

  while(1)
  {
    //添加你的代码

      PCON|=0x02;//单片机进入掉电模式
  }

}


